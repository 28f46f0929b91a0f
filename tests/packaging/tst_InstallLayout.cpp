// `cmake --install` of the build into a fresh prefix: every file lands where a Linux system
// looks for it (and nothing else is installed), the programs run from <prefix>/bin and the
// desktop program finds its skin in <prefix>/share/lumora-plenum, the manual pages render without warnings
// and document every option and environment variable, the AppStream metainfo is valid, and bash-completion
// finds the completion by itself.
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <utility>

#include <unistd.h>

#include "PackagingTools.h"
#include "support/TestFiles.h"

using namespace Packaging;

namespace {

enum class Kind
{
    Executable, // an executable file (`expected`: the source of a script installed as it is)
    SameBytes,  // the same bytes as the file `expected` of the sources
    Gzipped,    // gzip data without name or time whose content is the file `expected` of the sources
    Icon        // a PNG picture `expected` pixels square
};

struct Entry
{
    QString path; // below the prefix
    Kind kind;
    QString expected;
};

// Every file and link that the installation holds.
QList<Entry> expectedEntries()
{
    QList<Entry> entries;
    for (const QString& program : {QStringLiteral("lumora-plenum"), QStringLiteral("lumora-batch")})
        entries.append({QStringLiteral("bin/") + program, Kind::Executable, QString()});
    entries.append({QStringLiteral("bin/lumora-stamp-cluster"), Kind::Executable,
                    QStringLiteral("scripts/stamp-cluster.sh")});
    // skin/ and Lang/, file for file, in the folder of data that is the same on every architecture.
    const QString data = QStringLiteral("share/lumora-plenum/");
    for (const QString& folder : {QStringLiteral("skin"), QStringLiteral("Lang")}) {
        QDirIterator files(kSourceDir + QLatin1Char('/') + folder, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString relative = QDir(kSourceDir).relativeFilePath(files.next());
            entries.append({data + relative, Kind::SameBytes, relative});
        }
    }
    // The desktop entry is named after the AppStream id.
    entries.append({QStringLiteral("share/applications/org.lumora_plenum.LumoraPlenum.desktop"),
                    Kind::SameBytes, QStringLiteral("packaging/org.lumora_plenum.LumoraPlenum.desktop")});
    entries.append({QStringLiteral("share/metainfo/org.lumora_plenum.LumoraPlenum.metainfo.xml"),
                    Kind::SameBytes,
                    QStringLiteral("packaging/org.lumora_plenum.LumoraPlenum.metainfo.xml")});
    for (int size : {16, 32, 48, 64, 128, 256}) {
        entries.append({QStringLiteral("share/icons/hicolor/%1x%1/apps/lumora-plenum.png").arg(size),
                        Kind::Icon, QString::number(size)});
    }
    for (const QString& page : {QStringLiteral("lumora-batch.1"), QStringLiteral("lumora-plenum.1"),
                                QStringLiteral("lumora-stamp-cluster.1")}) {
        entries.append({QStringLiteral("share/man/man1/") + page + QStringLiteral(".gz"), Kind::Gzipped,
                        QStringLiteral("packaging/") + page});
    }
    entries.append({QStringLiteral("share/bash-completion/completions/lumora-batch"), Kind::SameBytes,
                    QStringLiteral("packaging/lumora-batch.bash-completion")});
    return entries;
}

QByteArray gunzip(const QString& path)
{
    return runTool(QStringLiteral("gzip"), {QStringLiteral("-dc"), path}, 30).out;
}

// The text of a manual page as man renders it, and what man said on standard error.
ToolResult renderManual(const QString& path)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("MAN_KEEP_FORMATTING"), QString());
    return runTool(QStringLiteral("man"), {QStringLiteral("--warnings"), QStringLiteral("-l"), path}, 60,
                   environment);
}

// The lines of one section of a rendered manual page (from its heading to the next one).
QString manualSection(const QString& rendered, const QString& heading)
{
    const QStringList lines = rendered.split(QLatin1Char('\n'));
    QString section;
    bool inside = false;
    for (const QString& line : lines) {
        const bool isHeading = !line.isEmpty() && !line.at(0).isSpace();
        if (isHeading)
            inside = line == heading;
        else if (inside)
            section += line + QLatin1Char('\n');
    }
    return section;
}

} // namespace

class InstallLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void installsNothingElse();
    void programsRunFromBin();
    void manualPages_data();
    void manualPages();
    void manualPagesDocumentOptionsAndEnvironment();
    void metainfoIsValid();
    void bashCompletionLoadsTheCompletion();

private:
    QString installed(const QString& relative) const { return m_prefix + QLatin1Char('/') + relative; }

    QTemporaryDir m_root;
    QString m_prefix;
};

void InstallLayoutTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_prefix = m_root.filePath(QStringLiteral("prefix"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DESTDIR"));
    const ToolResult install = runTool(
        QStringLiteral(LUMORA_CMAKE_COMMAND),
        {QStringLiteral("--install"), kBuildDir, QStringLiteral("--prefix"), m_prefix}, 240, environment);
    QVERIFY2(install.succeeded(), qPrintable(install.describe()));
}

void InstallLayoutTest::installedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("expected");
    for (const Entry& entry : expectedEntries())
        QTest::addRow("%s", qPrintable(entry.path)) << entry.path << entry.kind << entry.expected;
}

void InstallLayoutTest::installedFiles()
{
    QFETCH(QString, path);
    QFETCH(Kind, kind);
    QFETCH(QString, expected);
    const QString file = installed(path);
    const QFileInfo info(file);
    QVERIFY2(info.exists() || info.isSymLink(), qPrintable(path + QStringLiteral(" is not installed")));

    switch (kind) {
    case Kind::Executable:
        QVERIFY(!info.isSymLink());
        QVERIFY(info.isExecutable());
        if (!expected.isEmpty())
            QCOMPARE(readFile(file), readFile(kSourceDir + QLatin1Char('/') + expected));
        break;
    case Kind::SameBytes:
        QVERIFY(!info.isSymLink());
        QCOMPARE(readFile(file), readFile(kSourceDir + QLatin1Char('/') + expected));
        break;
    case Kind::Gzipped: {
        // Debian wants manual pages and changelogs compressed, without a stored name or time
        // (so that equal sources give equal packages).
        const QByteArray bytes = readFile(file);
        QVERIFY(bytes.size() > 10);
        QCOMPARE(quint8(bytes.at(0)), quint8(0x1f));
        QCOMPARE(quint8(bytes.at(1)), quint8(0x8b));
        QVERIFY2((bytes.at(3) & 0x08) == 0, "the gzip header stores a file name");
        QCOMPARE(bytes.mid(4, 4), QByteArray(4, '\0'));
        QCOMPARE(gunzip(file), readFile(kSourceDir + QLatin1Char('/') + expected));
        break;
    }
    case Kind::Icon: {
        const QImage icon(file, "PNG");
        QVERIFY2(!icon.isNull(), "not a PNG picture");
        QCOMPARE(icon.size(), QSize(expected.toInt(), expected.toInt()));
        QVERIFY(icon.hasAlphaChannel());
        // Scaled from the picture of packaging/, not an empty canvas: its colours are there.
        const QImage source = QImage(kSourceDir + QStringLiteral("/packaging/lumora-plenum.png"))
                                  .scaled(icon.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                  .convertToFormat(QImage::Format_ARGB32);
        const QImage got = icon.convertToFormat(QImage::Format_ARGB32);
        const QPoint centre(icon.width() / 2, icon.height() / 2);
        const QRgb a = got.pixel(centre);
        const QRgb b = source.pixel(centre);
        QVERIFY2(qAbs(qRed(a) - qRed(b)) <= 8 && qAbs(qGreen(a) - qGreen(b)) <= 8 &&
                     qAbs(qBlue(a) - qBlue(b)) <= 8,
                 "the centre pixel differs from the scaled source picture");
        break;
    }
    }
}

void InstallLayoutTest::installsNothingElse()
{
    QStringList expected;
    for (const Entry& entry : expectedEntries())
        expected.append(entry.path);
    QStringList unexpected;
    QDirIterator entries(m_prefix, QDir::Files | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString relative = QDir(m_prefix).relativeFilePath(entries.next());
        if (!expected.contains(relative))
            unexpected.append(relative);
    }
    QVERIFY2(unexpected.isEmpty(),
             qPrintable(QStringLiteral("installed but not expected: ") + unexpected.join(u' ')));
}

void InstallLayoutTest::programsRunFromBin()
{
    const QString batch = installed(QStringLiteral("bin/lumora-batch"));
    const ToolResult version = runTool(batch, {QStringLiteral("--version")}, 60);
    QVERIFY2(version.succeeded(), qPrintable(version.describe()));
    QCOMPARE(version.outLines(), QStringList{QStringLiteral("lumora-batch ") + kVersion});

    const QString data = m_root.filePath(QStringLiteral("batch data"));
    const ToolResult list =
        runTool(batch, {QStringLiteral("--data-dir"), data, QStringLiteral("--list-templates")}, 60);
    QVERIFY2(list.succeeded(), qPrintable(list.describe()));
    QCOMPARE(list.outLines(), QStringList{QStringLiteral("Demo 1")});
    QVERIFY(QFileInfo::exists(data + QStringLiteral("/templates/qthumb.xml")));

    // The desktop program finds skin/ in <prefix>/share/lumora-plenum: the main window writes
    // report_me.log only once its skin has loaded (without the skin it shows an error box
    // instead and never writes it).
    const QString home = m_root.filePath(QStringLiteral("home"));
    QProcess desktop;
    QProcessEnvironment environment = isolatedEnvironment(home);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    desktop.setProcessEnvironment(environment);
    desktop.setProcessChannelMode(QProcess::MergedChannels);
    desktop.start(installed(QStringLiteral("bin/lumora-plenum")), {});
    QVERIFY(desktop.waitForStarted(30000));
    const QString log = home + QStringLiteral("/.local/share/Lumora Plenum/report_me.log");
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(log) && desktop.state() == QProcess::Running && clock.elapsed() < 30000)
        QTest::qWait(100);
    const bool running = desktop.state() == QProcess::Running;
    desktop.kill();
    desktop.waitForFinished(10000);
    QVERIFY2(running, qPrintable(QStringLiteral("the desktop program ended: ") +
                                 QString::fromUtf8(desktop.readAll())));
    QVERIFY2(QFileInfo::exists(log), "the desktop program did not load its skin from share/lumora-plenum");
}

void InstallLayoutTest::manualPages_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("title");
    QTest::newRow("lumora-batch") << QStringLiteral("lumora-batch") << QStringLiteral("LUMORA-BATCH(1)");
    QTest::newRow("lumora-plenum") << QStringLiteral("lumora-plenum") << QStringLiteral("LUMORA-PLENUM(1)");
    QTest::newRow("lumora-stamp-cluster")
        << QStringLiteral("lumora-stamp-cluster") << QStringLiteral("LUMORA-STAMP-CLUSTER(1)");
}

void InstallLayoutTest::manualPages()
{
    QFETCH(QString, page);
    QFETCH(QString, title);
    if (findTool(QStringLiteral("man")).isEmpty())
        QSKIP("man is not installed (Debian package man-db)");
    const ToolResult rendered = renderManual(installed(QStringLiteral("share/man/man1/%1.1.gz").arg(page)));
    QVERIFY2(rendered.succeeded(), qPrintable(rendered.describe()));
    QVERIFY2(rendered.err.isEmpty(), qPrintable(QStringLiteral("man warns: ") + rendered.errText()));
    const QStringList lines = rendered.outText().split(QLatin1Char('\n'));
    QVERIFY(!lines.isEmpty());
    QVERIFY2(lines.first().startsWith(title), qPrintable(lines.first()));
    QVERIFY2(rendered.outText().contains(QStringLiteral("Lumora Plenum ") + kVersion),
             "the page does not name the version of the project");
    QStringList headings{QStringLiteral("NAME"),        QStringLiteral("SYNOPSIS"),
                         QStringLiteral("DESCRIPTION"), QStringLiteral("EXIT STATUS"),
                         QStringLiteral("ENVIRONMENT"), QStringLiteral("EXAMPLES")};
    // The recipe has no options and no files of its own.
    if (page != QLatin1String("lumora-stamp-cluster"))
        headings << QStringLiteral("OPTIONS") << QStringLiteral("FILES");
    for (const QString& heading : std::as_const(headings)) {
        QVERIFY2(lines.contains(heading), qPrintable(QStringLiteral("no section ") + heading));
        QVERIFY2(!manualSection(rendered.outText(), heading).trimmed().isEmpty(),
                 qPrintable(QStringLiteral("empty section ") + heading));
    }
}

void InstallLayoutTest::manualPagesDocumentOptionsAndEnvironment()
{
    if (findTool(QStringLiteral("man")).isEmpty())
        QSKIP("man is not installed (Debian package man-db)");
    const QString batchPage =
        renderManual(installed(QStringLiteral("share/man/man1/lumora-batch.1.gz"))).outText();
    const QString desktopPage =
        renderManual(installed(QStringLiteral("share/man/man1/lumora-plenum.1.gz"))).outText();

    // Every option that lumora-batch --help lists is described under OPTIONS.
    const ToolResult help =
        runTool(installed(QStringLiteral("bin/lumora-batch")), {QStringLiteral("--help")}, 60);
    QVERIFY2(help.succeeded(), qPrintable(help.describe()));
    const QString options = manualSection(batchPage, QStringLiteral("OPTIONS"));
    static const QRegularExpression optionName(QStringLiteral("(?:^|[\\s,])(--?[a-z][a-z-]*)"));
    QStringList helpOptions;
    for (const QString& line : help.outLines()) {
        if (!line.trimmed().startsWith(QLatin1Char('-')))
            continue;
        const QString names = line.trimmed().section(QStringLiteral("  "), 0, 0);
        auto matches = optionName.globalMatch(names);
        while (matches.hasNext()) {
            const QString option = matches.next().captured(1);
            helpOptions.append(option);
            QVERIFY2(options.contains(option), qPrintable(option + QStringLiteral(" is not in OPTIONS")));
        }
    }
    QVERIFY2(helpOptions.size() >= 10, qPrintable(helpOptions.join(u' ')));

    // Every LUMORA_ variable that the programs read is described under ENVIRONMENT.
    const QString environment = manualSection(batchPage, QStringLiteral("ENVIRONMENT")) +
                                manualSection(desktopPage, QStringLiteral("ENVIRONMENT"));
    static const QRegularExpression variable(QStringLiteral("\"(LUMORA_[A-Z_]+)\""));
    QSet<QString> variables;
    QDirIterator sources(kSourceDir + QStringLiteral("/src"),
                         {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                         QDirIterator::Subdirectories);
    while (sources.hasNext()) {
        auto matches = variable.globalMatch(QString::fromUtf8(readFile(sources.next())));
        while (matches.hasNext())
            variables.insert(matches.next().captured(1));
    }
    QVERIFY2(variables.contains(QStringLiteral("LUMORA_MAX_PIXELS")), "the sources were not read");
    for (const QString& name : std::as_const(variables))
        QVERIFY2(environment.contains(name), qPrintable(name + QStringLiteral(" is not in ENVIRONMENT")));

    // The exit statuses of lumora-batch.
    const QString statuses = manualSection(batchPage, QStringLiteral("EXIT STATUS"));
    for (const QString& status : {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")})
        QVERIFY2(statuses.contains(QRegularExpression(QStringLiteral("^\\s+%1\\s").arg(status),
                                                      QRegularExpression::MultilineOption)),
                 qPrintable(QStringLiteral("exit status ") + status + QStringLiteral(" is not described")));
}

void InstallLayoutTest::metainfoIsValid()
{
    const QString metainfo =
        installed(QStringLiteral("share/metainfo/org.lumora_plenum.LumoraPlenum.metainfo.xml"));
    if (findTool(QStringLiteral("appstreamcli")).isEmpty())
        QSKIP("appstreamcli is not installed (Debian package appstream)");
    // --strict: warnings fail too (pedantic hints do not). validate-tree also checks that the
    // desktop entry the metainfo launches is installed beside it.
    const ToolResult file = runTool(
        QStringLiteral("appstreamcli"),
        {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--strict"), metainfo}, 120);
    QVERIFY2(file.succeeded(), qPrintable(file.outText() + file.describe()));
    const ToolResult tree = runTool(
        QStringLiteral("appstreamcli"),
        {QStringLiteral("validate-tree"), QStringLiteral("--no-net"), QStringLiteral("--strict"), m_prefix},
        120);
    QVERIFY2(tree.succeeded(), qPrintable(tree.outText() + tree.describe()));

    // The newest release is this version; the icon is the one the desktop entry names.
    QFile xml(metainfo);
    QVERIFY(xml.open(QIODevice::ReadOnly));
    QXmlStreamReader reader(&xml);
    QString firstRelease;
    QString icon;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("release") && firstRelease.isEmpty())
            firstRelease = reader.attributes().value(QLatin1String("version")).toString();
        else if (reader.name() == QLatin1String("icon"))
            icon = reader.readElementText();
    }
    QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
    QCOMPARE(firstRelease, kVersion);
    QVERIFY(readFile(installed(QStringLiteral("share/applications/org.lumora_plenum.LumoraPlenum.desktop")))
                .contains(QByteArray("\nIcon=") + icon.toUtf8() + '\n'));
}

void InstallLayoutTest::bashCompletionLoadsTheCompletion()
{
    // bash-completion loads a command's completion on first use, looking in
    // <prefix>/share/bash-completion/completions beside the command's bin folder and in the
    // data folders of XDG_DATA_DIRS.
    const QString loader = QStringLiteral("/usr/share/bash-completion/bash_completion");
    if (!QFileInfo::exists(loader))
        QSKIP("bash-completion is not installed (Debian package bash-completion)");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), installed(QStringLiteral("share")));
    environment.insert(QStringLiteral("BASH_COMPLETION_USER_DIR"),
                       m_root.filePath(QStringLiteral("no-user-completions")));
    const ToolResult loaded =
        runTool(QStringLiteral("bash"),
                {QStringLiteral("--norc"), QStringLiteral("--noprofile"), QStringLiteral("-c"),
                 QStringLiteral("source \"$1\" && __load_completion lumora-batch; complete -p lumora-batch"),
                 QStringLiteral("bash"), loader},
                60, environment);
    QVERIFY2(loaded.succeeded(), qPrintable(loaded.describe()));
    QCOMPARE(loaded.outText().trimmed(), QStringLiteral("complete -F _lumora_batch lumora-batch"));
}

QTEST_GUILESS_MAIN(InstallLayoutTest)
#include "tst_InstallLayout.moc"
