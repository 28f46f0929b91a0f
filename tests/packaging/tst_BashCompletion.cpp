// The bash completion of lumora-batch (packaging/lumora-batch.bash-completion), sourced into
// bash and called as bash calls it, with COMP_WORDS and COMP_CWORD set: options, template
// names (spaces and quotes included) from the data folder typed on the line or the default
// one, folders after --data-dir, photos by their extension in any case, and any file where
// the program writes one.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "PackagingTools.h"
#include "model/TemplateStore.h"
#include "services/folders/Folders.h"

using namespace Packaging;

namespace {

const QString kProgram = QStringLiteral(LUMORA_BIN_DIR "/lumora-batch");
const QString kCompletion = kSourceDir + QStringLiteral("/packaging/lumora-batch.bash-completion");

// Calls the completion function the way bash does for the words, completing word `cword`,
// and returns the candidates it offers.
ToolResult complete(const QStringList& words, int cword, const QProcessEnvironment& environment,
                    const QString& workingDirectory)
{
    QProcessEnvironment callEnvironment = environment;
    callEnvironment.insert(QStringLiteral("CWORD"), QString::number(cword));
    const QString script = QStringLiteral(R"(
        source "$1" || exit 3
        shift
        COMP_WORDS=("$@")
        COMP_CWORD=$CWORD
        COMP_LINE="${COMP_WORDS[*]}"
        COMP_POINT=${#COMP_LINE}
        _lumora_batch "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf '%s\n' "${COMPREPLY[@]}"
    )");
    QStringList arguments{QStringLiteral("--norc"), QStringLiteral("--noprofile"),
                          QStringLiteral("-c"),     script,
                          QStringLiteral("bash"),   kCompletion};
    arguments += words;
    return runTool(QStringLiteral("bash"), arguments, 60, callEnvironment, workingDirectory);
}

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// Adds a template to the data folder `data` (which lumora-batch has prepared).
void addTemplate(const QString& data, const QString& name)
{
    setAppDataFolderOverride(data);
    initTemplatesFolder();
    QVERIFY(AddTemplate(name));
    setAppDataFolderOverride(QString());
}

} // namespace

class BashCompletionTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void candidates_data();
    void candidates();

private:
    QTemporaryDir m_root;
    QString m_home;
    QString m_photos; // the working folder of the calls
    QString m_data;   // a data folder with a space in its path
    QString m_missing;
    QProcessEnvironment m_environment;
    QStringList m_options;
};

void BashCompletionTest::initTestCase()
{
    if (findTool(QStringLiteral("bash")).isEmpty())
        QSKIP("bash is not installed");
    QVERIFY(m_root.isValid());
    m_home = m_root.filePath(QStringLiteral("home"));
    m_environment = isolatedEnvironment(m_home);
    m_photos = m_root.filePath(QStringLiteral("photos"));
    m_data = m_home + QStringLiteral("/data one");
    m_missing = m_root.filePath(QStringLiteral("not there"));

    for (const QString& name :
         {QStringLiteral("Beach day.JPG"), QStringLiteral("city.png"), QStringLiteral("clip.gif"),
          QStringLiteral("harbour.jpeg"), QStringLiteral("scan.TIFF"), QStringLiteral("map.tif"),
          QStringLiteral("old.Bmp"), QStringLiteral("-dash.jpg"), QStringLiteral("notes.txt"),
          QStringLiteral("photo.jpg.txt"), QStringLiteral("jpg"), QStringLiteral("more photos/inside.PNG"),
          QStringLiteral("more photos/readme.md"), QStringLiteral("more photos/deeper/x.jpg"),
          QStringLiteral("phone.HEIC"), QStringLiteral("web.webp"), QStringLiteral("y.heif"),
          QStringLiteral("z.avif")})
        touch(m_photos + QLatin1Char('/') + name);

    // Two data folders: the default one of the home folder and one given by --data-dir, each
    // with a template of its own besides "Demo 1".
    for (const QString& data : {QString(), m_data}) {
        QStringList arguments{QStringLiteral("--list-templates")};
        if (!data.isEmpty())
            arguments = QStringList{QStringLiteral("--data-dir"), data} + arguments;
        const ToolResult prepared = runTool(kProgram, arguments, 60, m_environment);
        QVERIFY2(prepared.succeeded(), qPrintable(prepared.describe()));
    }
    addTemplate(m_home + QStringLiteral("/.local/share/Lumora Plenum"), QStringLiteral("Home only"));
    addTemplate(m_data, QStringLiteral("Studio mark's copy"));
    const ToolResult listed =
        runTool(kProgram, {QStringLiteral("--data-dir"), m_data, QStringLiteral("--list-templates")}, 60,
                m_environment);
    QCOMPARE(listed.outLines(),
             (QStringList{QStringLiteral("Demo 1"), QStringLiteral("Studio mark's copy")}));

    // The options the program itself lists in --help.
    const ToolResult help = runTool(kProgram, {QStringLiteral("--help")}, 60, m_environment);
    QVERIFY2(help.succeeded(), qPrintable(help.describe()));
    static const QRegularExpression option(QStringLiteral("^\\s+(-.*?)(?:\\s{2,}|$)"));
    static const QRegularExpression name(QStringLiteral("(--?[a-zA-Z][a-z-]*)"));
    for (const QString& line : help.outLines()) {
        const QRegularExpressionMatch names = option.match(line);
        if (!names.hasMatch())
            continue;
        auto each = name.globalMatch(names.captured(1));
        while (each.hasNext())
            m_options.append(each.next().captured(1));
    }
    QVERIFY2(m_options.contains(QStringLiteral("--data-dir")) && m_options.size() >= 10,
             qPrintable(m_options.join(u' ')));
}

void BashCompletionTest::candidates_data()
{
    QTest::addColumn<QStringList>(
        "words");                   // "@DATA" stands for the data folder, "@MISSING" for a missing one
    QTest::addColumn<int>("cword"); // the word being completed; -1: the last
    QTest::addColumn<QStringList>("expected"); // in any order
    QTest::addColumn<bool>("freshHome");       // a home folder without a data folder

    const QStringList ours{QStringLiteral("Demo 1"), QStringLiteral("Studio mark's copy")};
    const QStringList photos{
        QStringLiteral("-dash.jpg"),   QStringLiteral("Beach day.JPG"), QStringLiteral("city.png"),
        QStringLiteral("clip.gif"),    QStringLiteral("harbour.jpeg"),  QStringLiteral("map.tif"),
        QStringLiteral("more photos"), QStringLiteral("old.Bmp"),       QStringLiteral("phone.HEIC"),
        QStringLiteral("scan.TIFF"),   QStringLiteral("web.webp"),      QStringLiteral("y.heif"),
        QStringLiteral("z.avif")};
    QStringList everything = photos;
    everything << QStringLiteral("notes.txt") << QStringLiteral("photo.jpg.txt") << QStringLiteral("jpg");

    QTest::newRow("every option") << QStringList{QStringLiteral("-")} << -1 << m_options << false;
    QTest::newRow("option prefix") << QStringList{QStringLiteral("--te")} << -1
                                   << QStringList{QStringLiteral("--template"),
                                                  QStringLiteral("--template-file"), QStringLiteral("--text")}
                                   << false;
    QTest::newRow("options after a photo")
        << QStringList{QStringLiteral("city.png"), QStringLiteral("--re")} << -1
        << QStringList{QStringLiteral("--recursive"), QStringLiteral("--resize")} << false;

    QTest::newRow("templates of --data-dir")
        << QStringList{QStringLiteral("--data-dir"), QStringLiteral("@DATA"), QStringLiteral("--template"),
                       QString()}
        << -1 << ours << false;
    QTest::newRow("template prefix") << QStringList{QStringLiteral("--data-dir"), QStringLiteral("@DATA"),
                                                    QStringLiteral("--template"), QStringLiteral("De")}
                                     << -1 << QStringList{QStringLiteral("Demo 1")} << false;
    QTest::newRow("template prefix with an escaped space")
        << QStringList{QStringLiteral("--data-dir"), QStringLiteral("@DATA"), QStringLiteral("--template"),
                       QStringLiteral("Demo\\ ")}
        << -1 << QStringList{QStringLiteral("Demo 1")} << false;
    QTest::newRow("template prefix in open double quotes")
        << QStringList{QStringLiteral("--data-dir"), QStringLiteral("@DATA"), QStringLiteral("--template"),
                       QStringLiteral("\"Studio mark's")}
        << -1 << QStringList{QStringLiteral("Studio mark's copy")} << false;
    QTest::newRow("template prefix with an escaped quote")
        << QStringList{QStringLiteral("--data-dir"), QStringLiteral("@DATA"), QStringLiteral("--template"),
                       QStringLiteral("Studio\\ mark\\'")}
        << -1 << QStringList{QStringLiteral("Studio mark's copy")} << false;
    QTest::newRow("no template of that prefix")
        << QStringList{QStringLiteral("--data-dir"), QStringLiteral("@DATA"), QStringLiteral("--template"),
                       QStringLiteral("Home")}
        << -1 << QStringList() << false;
    QTest::newRow("options written with =")
        << QStringList{QStringLiteral("--data-dir"), QStringLiteral("="), QStringLiteral("@DATA"),
                       QStringLiteral("--template"), QStringLiteral("="), QString()}
        << -1 << ours << false;
    QTest::newRow("options written with one dash")
        << QStringList{QStringLiteral("-data-dir"), QStringLiteral("@DATA"), QStringLiteral("-template"),
                       QString()}
        << -1 << ours << false;
    QTest::newRow("--data-dir after the template")
        << QStringList{QStringLiteral("--template"), QString(), QStringLiteral("--data-dir"),
                       QStringLiteral("@DATA")}
        << 1 << ours << false;
    QTest::newRow("--data-dir in single quotes")
        << QStringList{QStringLiteral("--data-dir"), QStringLiteral("'@DATA'"), QStringLiteral("--template"),
                       QString()}
        << -1 << ours << false;
    QTest::newRow("--data-dir below the home folder")
        << QStringList{QStringLiteral("--data-dir"), QStringLiteral("~/data\\ one"),
                       QStringLiteral("--template"), QString()}
        << -1 << ours << false;
    QTest::newRow("templates of the default data folder")
        << QStringList{QStringLiteral("--template"), QString()} << -1
        << QStringList{QStringLiteral("Demo 1"), QStringLiteral("Home only")} << false;
    QTest::newRow("no default data folder yet")
        << QStringList{QStringLiteral("--template"), QString()} << -1 << QStringList() << true;
    QTest::newRow("--data-dir that does not exist")
        << QStringList{QStringLiteral("--data-dir"), QStringLiteral("@MISSING"), QStringLiteral("--template"),
                       QString()}
        << -1 << QStringList() << false;

    QTest::newRow("folders after --data-dir") << QStringList{QStringLiteral("--data-dir"), QString()} << -1
                                              << QStringList{QStringLiteral("more photos")} << false;
    QTest::newRow("photos") << QStringList{QString()} << -1 << photos << false;
    QTest::newRow("photo prefix with an escaped space")
        << QStringList{QStringLiteral("Beach\\ d")} << -1 << QStringList{QStringLiteral("Beach day.JPG")}
        << false;
    QTest::newRow("photos after photos")
        << QStringList{QStringLiteral("city.png"), QStringLiteral("c")} << -1
        << QStringList{QStringLiteral("city.png"), QStringLiteral("clip.gif")} << false;
    QTest::newRow("photos in a folder")
        << QStringList{QStringLiteral("more\\ photos/")} << -1
        << QStringList{QStringLiteral("more photos/inside.PNG"), QStringLiteral("more photos/deeper")}
        << false;
    QTest::newRow("photos after --") << QStringList{QStringLiteral("--"), QStringLiteral("-")} << -1
                                     << QStringList{QStringLiteral("-dash.jpg")} << false;
    QTest::newRow("output of --sample")
        << QStringList{QStringLiteral("--sample"), QString()} << -1 << everything << false;
    QTest::newRow("photo of --preview")
        << QStringList{QStringLiteral("--preview"), QString()} << -1 << photos << false;
    QTest::newRow("output of --preview")
        << QStringList{QStringLiteral("--preview"), QStringLiteral("city.png"), QString()} << -1 << everything
        << false;
    QTest::newRow("photo of --preview after a template")
        << QStringList{QStringLiteral("--template"), QStringLiteral("Demo\\ 1"), QStringLiteral("--preview"),
                       QString()}
        << -1 << photos << false;
    QTest::newRow("file after a redirection")
        << QStringList{QStringLiteral("city.png"), QStringLiteral(">"), QStringLiteral("n")} << -1
        << QStringList{QStringLiteral("notes.txt")} << false;
    QTest::newRow("nothing after --list-templates")
        << QStringList{QStringLiteral("--list-templates"), QString()} << -1 << QStringList() << false;
    QTest::newRow("nothing after --jobs")
        << QStringList{QStringLiteral("--jobs"), QString()} << -1 << QStringList() << false;
    QTest::newRow("nothing after -j, photos after its value")
        << QStringList{QStringLiteral("-j"), QStringLiteral("0"), QString()} << -1 << photos << false;
    QTest::newRow("folders after -o") << QStringList{QStringLiteral("-o"), QString()} << -1
                                      << QStringList{QStringLiteral("more photos")} << false;
    QTest::newRow("formats, by extension too")
        << QStringList{QStringLiteral("--format"), QStringLiteral("t")} << -1
        << QStringList{QStringLiteral("tif"), QStringLiteral("tiff")} << false;
}

void BashCompletionTest::candidates()
{
    QFETCH(QStringList, words);
    QFETCH(int, cword);
    QFETCH(QStringList, expected);
    QFETCH(bool, freshHome);

    const QString fresh = m_root.filePath(QStringLiteral("fresh home"));
    const QProcessEnvironment environment = freshHome ? isolatedEnvironment(fresh) : m_environment;
    words.prepend(kProgram);
    for (QString& word : words) {
        word.replace(QStringLiteral("@DATA"), m_data);
        word.replace(QStringLiteral("@MISSING"), m_missing);
    }
    const ToolResult result =
        complete(words, cword < 0 ? int(words.size()) - 1 : cword + 1, environment, m_photos);
    QVERIFY2(result.succeeded(), qPrintable(result.describe()));
    QStringList got = result.outLines();
    got.sort();
    expected.sort();
    QVERIFY2(got == expected,
             qPrintable(QStringLiteral("offered [%1], expected [%2]")
                            .arg(got.join(QStringLiteral("] [")), expected.join(QStringLiteral("] [")))));
    // Completing never creates a data folder.
    QVERIFY(!QFileInfo::exists(m_missing));
    QVERIFY(!QFileInfo::exists(fresh + QStringLiteral("/.local/share/Lumora Plenum")));
}

QTEST_MAIN(BashCompletionTest)
#include "tst_BashCompletion.moc"
