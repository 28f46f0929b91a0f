// The output plan of a run: which photo may write which file, and why one may not. Each row
// lays out files in a temporary folder, claims the photos in list order and compares every
// claim's kind, output and sentence.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include "render/OutputPlan.h"
#include "support/TestFiles.h"

namespace {

QString kindName(Outcome::Kind kind)
{
    switch (kind) {
    case Outcome::Kind::Done:
        return QStringLiteral("done");
    case Outcome::Kind::Skipped:
        return QStringLiteral("skipped");
    case Outcome::Kind::Failed:
        return QStringLiteral("failed");
    }
    return QString();
}

} // namespace

class OutputPlanTest : public QObject
{
    Q_OBJECT

private slots:
    void claims_data()
    {
        // `files`: "name" makes a file, "name->target" a symbolic link, "name=>target" a hard
        // link. `sources`: the photos of the run known at its start; `claimed`: the photos
        // claimed, in list order. `expected`: per claim "kind|output|sentence", where "{}"
        // stands for the temporary folder.
        QTest::addColumn<QString>("folder"); // empty: beside the photo; "(none)": an output folder not set
        QTest::addColumn<QString>("suffix"); // empty: the photo's own name
        QTest::addColumn<int>("existing");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QStringList>("claimed");
        QTest::addColumn<QStringList>("expected");

        const QString beside;
        const int replace = OutputSettings::ReplaceExisting;
        const QString ownPhoto = QStringLiteral("is the source photo itself; it was left unchanged");

        QTest::newRow("distinct outputs")
            << beside << "_new" << replace << QStringList{"a.jpg", "b.png"} << QStringList{"a.jpg", "b.png"}
            << QStringList{"a.jpg", "b.png"} << QStringList{"done|{}/a_new.jpg|", "done|{}/b_new.jpg|"};
        QTest::newRow("the photo itself")
            << beside << "" << replace << QStringList{"a.jpg"} << QStringList{"a.jpg"} << QStringList{"a.jpg"}
            << QStringList{"failed|{}/a.jpg|the output {}/a.jpg " + ownPhoto};
        QTest::newRow("another photo of the run")
            << beside << "" << replace << QStringList{"a.png", "a.jpg"} << QStringList{"a.png", "a.jpg"}
            << QStringList{"a.png"}
            << QStringList{"failed|{}/a.jpg|the output {}/a.jpg is another photo of this run; it was left "
                           "unchanged and this photo was not written"};
        QTest::newRow("a hard link to another photo")
            << beside << "_new" << replace << QStringList{"a.jpg", "b.jpg", "b_new.jpg=>a.jpg"}
            << QStringList{"a.jpg", "b.jpg"} << QStringList{"b.jpg"}
            << QStringList{
                   "failed|{}/b_new.jpg|the output {}/b_new.jpg is the same file as {}/a.jpg, another "
                   "photo of this run; it was left unchanged and this photo was not written"};
        QTest::newRow("a photo of the run not yet written")
            << beside << "_new" << replace << QStringList{"b.jpg"} << QStringList{"b.jpg", "b_new.jpg"}
            << QStringList{"b.jpg"}
            << QStringList{
                   "failed|{}/b_new.jpg|the output {}/b_new.jpg is {}/b_new.jpg, another photo of this "
                   "run; this photo was not written"};
        QTest::newRow("a photo that joins the run later")
            << beside << "" << replace << QStringList{"a.jpg"} << QStringList{} << QStringList{"a.jpg"}
            << QStringList{"failed|{}/a.jpg|the output {}/a.jpg " + ownPhoto};
        QTest::newRow("two photos, one output")
            << beside << "_new" << replace << QStringList{"a.jpg", "a.png"} << QStringList{"a.jpg", "a.png"}
            << QStringList{"a.jpg", "a.png"}
            << QStringList{
                   "done|{}/a_new.jpg|",
                   "failed|{}/a_new.jpg|the output {}/a_new.jpg is also the output of {}/a.jpg, earlier in "
                   "the list; this photo was not written"};
        QTest::newRow("an output folder linked to the photos")
            << "out"
            << "" << replace << QStringList{"photos/a.jpg", "out->photos"} << QStringList{"photos/a.jpg"}
            << QStringList{"photos/a.jpg"}
            << QStringList{"failed|{}/out/a.jpg|the output {}/out/a.jpg " + ownPhoto};
        QTest::newRow("an existing output replaced")
            << beside << "_new" << replace << QStringList{"a.jpg", "a_new.jpg"} << QStringList{"a.jpg"}
            << QStringList{"a.jpg"} << QStringList{"done|{}/a_new.jpg|"};
        QTest::newRow("an existing output skipped")
            << beside << "_new" << int(OutputSettings::SkipExisting)
            << QStringList{"a.jpg", "a_new.jpg", "b.jpg"} << QStringList{"a.jpg", "b.jpg"}
            << QStringList{"a.jpg", "b.jpg"} << QStringList{"skipped|{}/a_new.jpg|", "done|{}/b_new.jpg|"};
        // The first free number, past files, photos of the run and earlier outputs.
        QTest::newRow("both kept under numbered names")
            << beside << "_new" << int(OutputSettings::KeepBoth)
            << QStringList{"a.jpg", "a.png", "a_new.jpg", "a_new (2).jpg", "a_new (4).jpg"}
            << QStringList{"a.jpg", "a.png", "a_new (3).jpg"} << QStringList{"a.jpg", "a.png"}
            << QStringList{"done|{}/a_new (5).jpg|", "done|{}/a_new (6).jpg|"};
        // The render says why the settings name no output.
        QTest::newRow("no output folder set") << "(none)"
                                              << "" << replace << QStringList{"a.jpg"} << QStringList{"a.jpg"}
                                              << QStringList{"a.jpg"} << QStringList{"done||"};
    }

    void claims()
    {
        QFETCH(QString, folder);
        QFETCH(QString, suffix);
        QFETCH(int, existing);
        QFETCH(QStringList, files);
        QFETCH(QStringList, sources);
        QFETCH(QStringList, claimed);
        QFETCH(QStringList, expected);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString root = dir.path();
        const auto at = [&root](const QString& name) { return root + QLatin1Char('/') + name; };
        for (const QString& file : std::as_const(files)) {
            if (file.contains(QLatin1String("=>"))) {
                const QStringList parts = file.split(QStringLiteral("=>"));
                QCOMPARE(::link(QFile::encodeName(at(parts[1])).constData(),
                                QFile::encodeName(at(parts[0])).constData()),
                         0);
            } else if (file.contains(QLatin1String("->"))) {
                const QStringList parts = file.split(QStringLiteral("->"));
                QVERIFY(QFile::link(at(parts[1]), at(parts[0])));
            } else {
                QVERIFY(writeFileMakingFolder(at(file), "photo"));
            }
        }

        OutputSettings settings;
        settings.OutputFolderOpts =
            folder.isEmpty() ? OutputSettings::BesideSource : OutputSettings::ToOutputFolder;
        settings.OutputFolderPath = folder.startsWith(QLatin1Char('(')) ? QString() : at(folder);
        settings.OutputFileNameOpts =
            suffix.isEmpty() ? OutputSettings::KeepBaseName : OutputSettings::AddSuffix;
        settings.OutputFileNameSuffix = suffix;
        settings.OutputFormat = OutputSettings::Jpeg;
        settings.ifOutputExists = OutputSettings::ExistingOutput(existing);

        QStringList sourcePaths;
        for (const QString& source : std::as_const(sources))
            sourcePaths.append(at(source));
        OutputPlan plan(settings, sourcePaths);
        QStringList got;
        for (const QString& photo : std::as_const(claimed)) {
            const OutputPlan::Claim claim = plan.claim(at(photo));
            got.append(kindName(claim.kind()) + QLatin1Char('|') + claim.output + QLatin1Char('|') +
                       claim.sentence());
        }
        QStringList want;
        for (QString line : std::as_const(expected))
            want.append(line.replace(QStringLiteral("{}"), root));
        QCOMPARE(got, want);
    }
};

QTEST_GUILESS_MAIN(OutputPlanTest)
#include "tst_OutputPlan.moc"
