#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/BatchProgram.h"
#include "support/IsolatedHome.h"
#include "support/TestFiles.h"

// lumora-batch in pipelines: where the photos come from (arguments, --files-from, -0,
// --recursive), the overrides of the output settings (--output-dir, --format), resuming
// (--skip-existing), JSON answers (--json) and a data folder that is only read.
namespace {

using Run = BatchRun;

bool savePhoto(const QString& path, int seed)
{
    QImage image(QSize(160 + seed * 8, 100), QImage::Format_RGB32);
    image.fill(QColor::fromHsv((seed * 67) % 360, 120, 220));
    QPainter painter(&image);
    painter.setBrush(QColor::fromHsv((seed * 131) % 360, 200, 120));
    painter.drawEllipse(QRect(40, 20, 80, 60));
    painter.end();
    QDir().mkpath(QFileInfo(path).path());
    return image.save(path, "JPEG", 90);
}

// Sets the modification time of `path` to `seconds` before now (links followed).
bool setAge(const QString& path, int seconds)
{
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

qint64 modifiedNs(const QString& path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// Every entry below and including `root`: kind, size, modification time and content hash,
// so that a file or folder written, added or removed (also a temporary file removed again,
// which changes its folder's time) shows.
QMap<QString, QString> snapshot(const QString& root)
{
    QMap<QString, QString> entries;
    const auto add = [&](const QString& path) {
        const QFileInfo info(path);
        entries.insert(
            QDir(root).relativeFilePath(path),
            QStringLiteral("%1 %2 %3 %4")
                .arg(info.isDir() ? QStringLiteral("dir") : QStringLiteral("file"))
                .arg(info.size())
                .arg(modifiedNs(path))
                .arg(info.isDir()
                         ? QString()
                         : QString::fromLatin1(
                               QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha1).toHex())));
    };
    add(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        add(it.next());
    return entries;
}

QStringList filesBelow(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

QByteArray lines(const QStringList& list)
{
    QByteArray text;
    for (const QString& line : list)
        text += line.toUtf8() + '\n';
    return text;
}

// The outputs a run names on its standard output: the "output" of each JSON line, or of a
// text line what follows `arrow` (the whole line when `arrow` is empty).
QStringList outputsOf(const QByteArray& out, const char* arrow)
{
    QStringList outputs;
    const QByteArray separator(arrow);
    for (const QByteArray& line : out.split('\n')) {
        if (line.startsWith('{'))
            outputs << QJsonDocument::fromJson(line).object().value(QStringLiteral("output")).toString();
        else if (!line.isEmpty() && separator.isEmpty())
            outputs << QString::fromUtf8(line);
        else if (!line.isEmpty())
            outputs << QString::fromUtf8(line.mid(line.indexOf(separator) + separator.size()));
    }
    return outputs;
}

} // namespace

class BatchPipelineTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_root; // the working folder of every run: photos, lists, outputs
    QString m_data;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = isolatedEnvironment(m_dir.filePath(QStringLiteral("home")));
        env.remove(QStringLiteral("LUMORA_VERBOSE"));
        return env;
    }

    // lumora-batch started in m_root with the arguments (after --data-dir, unless
    // `data` is empty).
    void start(QProcess& process, const QStringList& arguments, const QString& data,
               const QString& wrapper = {})
    {
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(m_root);
        QStringList all =
            data.isEmpty() ? arguments : QStringList{QStringLiteral("--data-dir"), data} + arguments;
        if (wrapper.isEmpty()) {
            process.start(batchProgramPath(), all);
        } else {
            // The data folder mounted read-only for this process alone.
            process.start(
                QStringLiteral("unshare"),
                QStringList{QStringLiteral("--mount"), QStringLiteral("--propagation"),
                            QStringLiteral("private"), QStringLiteral("sh"), QStringLiteral("-c"),
                            QStringLiteral("mount --bind -o ro \"$1\" \"$1\" && shift && exec \"$@\""),
                            QStringLiteral("sh"), wrapper, batchProgramPath()} +
                    all);
        }
    }

    static Run finish(QProcess& process, const QByteArray& input = {})
    {
        if (!input.isNull()) {
            process.write(input);
        }
        process.closeWriteChannel();
        Run result;
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
            return result;
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    Run run(const QStringList& arguments, const QByteArray& input = {})
    {
        return runBatch(QStringList{QStringLiteral("--data-dir"), m_data} + arguments, environment(), m_root,
                        input);
    }

    QByteArray expand(QByteArray text) const { return text.replace("%R", QFile::encodeName(m_root)); }

    // How this machine makes a folder read-only for a run: a private read-only mount as
    // root (root writes through permissions), else the permissions. Empty when neither works.
    QString m_readOnlyWay;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_root = m_dir.filePath(QStringLiteral("work"));
        m_data = m_dir.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(m_root));
        QCOMPARE(run({QStringLiteral("--list-templates")}).exitCode, 0);

        // photos/: a, b, c and a name with a line break; walk/: a tree with a link to a
        // folder outside it; loop/: a tree with a link back to itself.
        int seed = 0;
        for (const char* name : {"photos/a.jpg", "photos/b.jpg", "photos/c.jpg", "photos/new\nline.jpg",
                                 "walk/b.jpg", "walk/A.JPG", "walk/sub/c.jpeg", "other/e.jpg", "loop/d.jpg"})
            QVERIFY(savePhoto(QDir(m_root).filePath(QString::fromUtf8(name)), ++seed));
        QVERIFY(
            writeFileMakingFolder(QDir(m_root).filePath(QStringLiteral("walk/notes.txt")), "not a photo"));
        QVERIFY(QFile::link(QStringLiteral("../other"), QDir(m_root).filePath(QStringLiteral("walk/zlink"))));
        QVERIFY(QDir().mkpath(QDir(m_root).filePath(QStringLiteral("loop/in"))));
        QVERIFY(QFile::link(QStringLiteral(".."), QDir(m_root).filePath(QStringLiteral("loop/in/back"))));

        const QString probe = m_dir.filePath(QStringLiteral("probe"));
        QVERIFY(QDir().mkpath(probe));
        if (::geteuid() != 0) {
            m_readOnlyWay = QStringLiteral("permissions");
        } else if (QProcess::execute(QStringLiteral("unshare"),
                                     {QStringLiteral("--mount"), QStringLiteral("--propagation"),
                                      QStringLiteral("private"), QStringLiteral("mount"),
                                      QStringLiteral("--bind"), QStringLiteral("-o"), QStringLiteral("ro"),
                                      probe, probe}) == 0) {
            m_readOnlyWay = QStringLiteral("mount");
        }
    }

    void init() { QDir(QDir(m_root).filePath(QStringLiteral("out"))).removeRecursively(); }

    // Photos from the command line, a list of lines, a NUL-separated list on standard input
    // and folders; in the order given, one answer each.
    void photoSources_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("list");  // written to list.txt
        QTest::addColumn<QByteArray>("input"); // standard input
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");

        const QString list = QStringLiteral("list.txt");
        const QStringList filesFrom{QStringLiteral("--files-from"), list};
        QTest::newRow("list of lines")
            << filesFrom << QByteArray("photos/b.jpg\nphotos/a.jpg\n\n") << QByteArray() << 0
            << QByteArray("%R/out/b_new.jpg\n%R/out/a_new.jpg\n") << QByteArray();
        QTest::newRow("arguments, then a list with CR LF")
            << QStringList{QStringLiteral("photos/c.jpg")} + filesFrom
            << QByteArray("photos/b.jpg\r\nphotos/a.jpg\r\n") << QByteArray() << 0
            << QByteArray("%R/out/c_new.jpg\n%R/out/b_new.jpg\n%R/out/a_new.jpg\n") << QByteArray();
        QTest::newRow("NUL-separated on standard input")
            << QStringList{QStringLiteral("--files-from"), QStringLiteral("-"), QStringLiteral("-0")}
            << QByteArray() << QByteArray("photos/new\nline.jpg") + '\0' + "photos/a.jpg" + '\0' << 0
            << QByteArray("%R/out/new\\nline_new.jpg\n%R/out/a_new.jpg\n") << QByteArray();
        // Plain answer lines show control characters escaped, as ls -b does.
        QTest::newRow("a missing photo whose name holds escape and delete")
            << QStringList{QStringLiteral("--files-from"), QStringLiteral("-"), QStringLiteral("-0")}
            << QByteArray() << QByteArray("photos/a\x1b[2J\x7f.jpg") + '\0' + "photos/a.jpg" + '\0' << 1
            << QByteArray("%R/out/a_new.jpg\n") << QByteArray("photos/a\\033[2J\\177.jpg: file not found\n");
        QTest::newRow("a line that is not UTF-8")
            << filesFrom << QByteArray("photos/b.jpg\nphotos/\xff\xfe.jpg\nphotos/a.jpg\n") << QByteArray()
            << 1 << QByteArray("%R/out/b_new.jpg\n%R/out/a_new.jpg\n")
            << QByteArray("photos/\xff\xfe.jpg: the file name cannot be read as UTF-8\n");
        QTest::newRow("a name longer than the path limit")
            << filesFrom << "photos/b.jpg\n" + QByteArray(5000, 'x') + "\nphotos/a.jpg\n"
            << QByteArray() << 1 << QByteArray("%R/out/b_new.jpg\n%R/out/a_new.jpg\n")
            << QByteArray(64, 'x') + "...: the name is longer than the system's path limit of 4096 bytes\n";
        QTest::newRow("a missing photo in the list")
            << filesFrom << QByteArray("photos/none.jpg\nphotos/a.jpg\n") << QByteArray() << 1
            << QByteArray("%R/out/a_new.jpg\n") << QByteArray("photos/none.jpg: file not found\n");
        QTest::newRow("folder walked in sorted order, links followed")
            << QStringList{QStringLiteral("--recursive"), QStringLiteral("walk")} << QByteArray()
            << QByteArray() << 0
            << QByteArray("%R/out/A_new.jpg\n%R/out/b_new.jpg\n%R/out/c_new.jpg\n%R/out/e_new.jpg\n")
            << QByteArray();
        QTest::newRow("folder in a list walked")
            << QStringList{QStringLiteral("--recursive")} + filesFrom
            << QByteArray("walk/sub\nphotos/a.jpg\n") << QByteArray() << 0
            << QByteArray("%R/out/c_new.jpg\n%R/out/a_new.jpg\n") << QByteArray();
        QTest::newRow("folder without --recursive")
            << QStringList{QStringLiteral("walk"), QStringLiteral("photos/a.jpg")} << QByteArray()
            << QByteArray() << 1 << QByteArray("%R/out/a_new.jpg\n")
            << QByteArray("walk: this is a folder, not a picture\n");
        QTest::newRow("folder loop through a link")
            << QStringList{QStringLiteral("--recursive"), QStringLiteral("loop")} << QByteArray()
            << QByteArray() << 1 << QByteArray("%R/out/d_new.jpg\n")
            << QByteArray(
                   "loop/in/back: it leads back to the folder loop that holds it (a loop through a link); "
                   "left out\n");
    }

    void photoSources()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, list);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QVERIFY(writeFileMakingFolder(QDir(m_root).filePath(QStringLiteral("list.txt")), list));
        for (const int jobs : {1, 3}) {
            init();
            const Run result = run(QStringList{QStringLiteral("--output-dir"), QStringLiteral("out"),
                                               QStringLiteral("--jobs"), QString::number(jobs)} +
                                       arguments,
                                   input);
            QCOMPARE(result.err, expand(err));
            QCOMPARE(result.out, expand(out));
            QCOMPARE(result.exitCode, exitCode);
            // Exactly the files answered were written (a name may hold a line break, answered as \n).
            QStringList answered = QString::fromUtf8("\n" + expand(out).chopped(out.isEmpty() ? 0 : 1))
                                       .replace(QLatin1String("\\n"), QLatin1String("\n"))
                                       .split(QStringLiteral("\n") + m_root + QStringLiteral("/out/"));
            answered.removeFirst();
            answered.sort();
            QCOMPARE(filesBelow(QDir(m_root).filePath(QStringLiteral("out"))), answered);
        }
    }

    // Bad input: nothing is stamped, one clear reason, and the exit status says whether the
    // command line was wrong (2) or the run could not start (1).
    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("err");

        const QString a = QStringLiteral("photos/a.jpg");
        QTest::newRow("missing list file")
            << QStringList{QStringLiteral("--files-from"), QStringLiteral("missing.txt"), a} << QByteArray()
            << 1 << QByteArray("lumora-batch: cannot read the list missing.txt: it does not exist\n");
        QTest::newRow("list that is a folder")
            << QStringList{QStringLiteral("--files-from"), QStringLiteral("photos")} << QByteArray() << 1
            << QByteArray("lumora-batch: cannot read the list photos: it is a folder\n");
        QTest::newRow("NUL characters in a list of lines")
            << QStringList{QStringLiteral("--files-from"), QStringLiteral("-")}
            << QByteArray("photos/a.jpg\0", 13) << 1
            << QByteArray(
                   "lumora-batch: the list on standard input holds NUL characters: give -0 (--null) for a "
                   "list of NUL-separated names\n");
        // Lists without an end: refused at once, or at a bound, never read on without limit.
        QTest::newRow("endless list of NUL characters")
            << QStringList{QStringLiteral("--files-from"), QStringLiteral("/dev/zero")} << QByteArray() << 1
            << QByteArray(
                   "lumora-batch: the list /dev/zero holds NUL characters: give -0 (--null) for a list "
                   "of NUL-separated names\n");
        for (const char* device : {"/dev/zero", "/dev/urandom"})
            QTest::addRow("endless NUL-separated list %s", device)
                << QStringList{QStringLiteral("--files-from"), QString::fromLatin1(device),
                               QStringLiteral("-0")}
                << QByteArray() << 1
                << "lumora-batch: the list " + QByteArray(device) +
                       " is longer than 64 MiB or 1000000 names: give the photos in several runs\n";
        QTest::newRow("output folder that cannot be made")
            << QStringList{QStringLiteral("--output-dir"), QStringLiteral("photos/b.jpg/out"), a}
            << QByteArray() << 1
            << QByteArray("lumora-batch: cannot make the output folder %R/photos/b.jpg/out: %R/photos/b.jpg "
                          "is not a "
                          "folder\n");
        const QByteArray usage("Try 'lumora-batch --help' for more information.\n");
        QTest::newRow("-0 without a list") << QStringList{QStringLiteral("-0"), a} << QByteArray() << 2
                                           << "lumora-batch: -0 (--null) goes with --files-from.\n" + usage;
        QTest::newRow("unknown format")
            << QStringList{QStringLiteral("--format"), QStringLiteral("gif"), a} << QByteArray() << 2
            << "lumora-batch: --format needs one of jpg, jpeg, png, bmp, tif, tiff and webp.\n" + usage;
        QTest::newRow("missing template file")
            << QStringList{QStringLiteral("--template-file"), QStringLiteral("missing.xml"), a}
            << QByteArray() << 1
            << QByteArray("lumora-batch: the template file missing.xml does not exist\n");
        QTest::newRow("template file that is not XML")
            << QStringList{QStringLiteral("--template-file"), a, a} << QByteArray() << 1
            << QByteArray("lumora-batch: the template file photos/a.jpg does not end in .xml\n");
        QTest::newRow("unknown --if-exists")
            << QStringList{QStringLiteral("--if-exists"), QStringLiteral("overwrite"), a} << QByteArray() << 2
            << "lumora-batch: --if-exists needs one of replace, skip and rename.\n" + usage;
        QTest::newRow("empty output folder")
            << QStringList{QStringLiteral("--output-dir="), a} << QByteArray() << 2
            << "lumora-batch: --output-dir needs a folder.\n" + usage;
        QTest::newRow("empty list name")
            << QStringList{QStringLiteral("--files-from=")} << QByteArray() << 2
            << "lumora-batch: --files-from needs a file (- for standard input).\n" + usage;
        QTest::newRow("two lists") << QStringList{QStringLiteral("--files-from=x"),
                                                  QStringLiteral("--files-from=y")}
                                   << QByteArray() << 2
                                   << "lumora-batch: --files-from given more than once.\n" + usage;
        QTest::newRow("--json with --list-templates")
            << QStringList{QStringLiteral("--json"), QStringLiteral("--list-templates")} << QByteArray() << 2
            << "lumora-batch: --files-from, --recursive, --output-dir, --format, --skip-existing, "
               "--if-exists, --json and --dry-run go with stamping photos only.\n" +
                   usage;
    }

    void badInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, err);
        const QMap<QString, QString> before = snapshot(m_root);
        const Run result = run(arguments, input);
        QCOMPARE(result.err, expand(err));
        QVERIFY(result.out.isEmpty());
        QCOMPARE(result.exitCode, exitCode);
        QCOMPARE(snapshot(m_root), before);
    }

    // A dry run (-n) reads the photos and says where each output would go, writes nothing
    // (no output, no output folder, no data folder: a template file with a data folder that
    // does not exist uses the first-start settings), and exits as the real run then does; the
    // real run writes exactly the outputs planned.
    void dryRunWritesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("freshData");
        QTest::addColumn<int>("exitCode");
        const QStringList out{QStringLiteral("-o"), QStringLiteral("out/new")};
        QTest::newRow("photos that can be read")
            << out + QStringList{QStringLiteral("photos/a.jpg"), QStringLiteral("walk/b.jpg")} << false << 0;
        QTest::newRow("a missing photo")
            << out + QStringList{QStringLiteral("photos/a.jpg"), QStringLiteral("photos/missing.jpg")}
            << false << 1;
        QTest::newRow("a file that is not a photo")
            << out + QStringList{QStringLiteral("walk/notes.txt")} << false << 1;
        QTest::newRow("two photos, one output")
            << out + QStringList{QStringLiteral("photos/b.jpg"), QStringLiteral("walk/b.jpg")} << false << 1;
        QTest::newRow("output folder below a file")
            << QStringList{QStringLiteral("--output-dir"), QStringLiteral("photos/a.jpg/out"),
                           QStringLiteral("photos/a.jpg")}
            << false << 1;
        QTest::newRow("beside the photo, quiet")
            << QStringList{QStringLiteral("-q"), QStringLiteral("other/e.jpg")} << false << 0;
        QTest::newRow("template file, no data folder")
            << out + QStringList{QStringLiteral("--template-file"),
                                 m_data + QStringLiteral("/templates/Demo 1.xml"), QStringLiteral("--json"),
                                 QStringLiteral("photos/c.jpg")}
            << true << 0;
    }

    void dryRunWritesNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, freshData);
        QFETCH(int, exitCode);
        const QString data = freshData ? m_dir.filePath(QStringLiteral("fresh-data")) : m_data;
        const bool quiet = arguments.contains(QStringLiteral("-q"));
        const QMap<QString, QString> before = snapshot(m_dir.path());
        QProcess dry;
        start(dry, QStringList{QStringLiteral("-n")} + arguments, data);
        const Run planned = finish(dry);
        QCOMPARE(planned.exitCode, exitCode);
        QCOMPARE(snapshot(m_dir.path()), before);

        QProcess real;
        start(real, arguments, data);
        const Run written = finish(real);
        QCOMPARE(written.exitCode, exitCode);
        // The same failures, and each planned output is the one written.
        QCOMPARE(planned.err.count('\n'), written.err.count('\n'));
        const QStringList plannedOutputs = outputsOf(planned.out, " -> ");
        const QStringList writtenOutputs = outputsOf(written.out, "");
        QCOMPARE(plannedOutputs, writtenOutputs);
        QVERIFY(quiet ? planned.out.isEmpty() : exitCode != 0 || !plannedOutputs.isEmpty());
        if (quiet)
            QVERIFY(QFile::remove(QDir(m_root).filePath(QStringLiteral("other/e_new.jpg"))));
        // A template file's run reads its settings: the data folder is not made.
        QVERIFY(!freshData || !QFileInfo::exists(data));
    }

    // --output-dir and --format replace the output settings for the run; preference.xml
    // (beside the photo, JPEG) is neither used nor written.
    void outputOverrides_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("jpeg") << QStringLiteral("jpeg") << QStringLiteral("jpg")
                              << QByteArray("\xff\xd8\xff");
        QTest::newRow("png") << QStringLiteral("png") << QStringLiteral("png") << QByteArray("\x89PNG");
        QTest::newRow("BMP, any case") << QStringLiteral("BMP") << QStringLiteral("bmp") << QByteArray("BM");
        QTest::newRow("tiff") << QStringLiteral("tiff") << QStringLiteral("tiff") << QByteArray("II*\0", 4);
        QTest::newRow("jpg, the extension's name")
            << QStringLiteral("jpg") << QStringLiteral("jpg") << QByteArray("\xff\xd8\xff");
        QTest::newRow("TIF, the extension's name")
            << QStringLiteral("TIF") << QStringLiteral("tiff") << QByteArray("II*\0", 4);
        QTest::newRow("webp") << QStringLiteral("webp") << QStringLiteral("webp") << QByteArray("RIFF");
    }

    void outputOverrides()
    {
        QFETCH(QString, format);
        QFETCH(QString, extension);
        QFETCH(QByteArray, magic);
        const QString preferences = m_data + QStringLiteral("/preference.xml");
        const QByteArray settingsBefore = readFile(preferences);
        const qint64 settingsTime = modifiedNs(preferences);
        const QMap<QString, QString> photosBefore = snapshot(QDir(m_root).filePath(QStringLiteral("photos")));

        const Run result = run({QStringLiteral("--output-dir"), QStringLiteral("out/deeper/./folder"),
                                QStringLiteral("--format"), format, QStringLiteral("photos/a.jpg")});
        const QString written = QDir(m_root).filePath(QStringLiteral("out/deeper/folder/a_new.") + extension);
        QCOMPARE(result.err, QByteArray());
        QCOMPARE(result.out, lines({written}));
        QCOMPARE(result.exitCode, 0);
        QVERIFY(readFile(written).startsWith(magic));
        QCOMPARE(QImage(written).size(),
                 QImage(QDir(m_root).filePath(QStringLiteral("photos/a.jpg"))).size());
        QCOMPARE(readFile(preferences), settingsBefore);
        QCOMPARE(modifiedNs(preferences), settingsTime);
        QCOMPARE(snapshot(QDir(m_root).filePath(QStringLiteral("photos"))), photosBefore);
    }

    // --skip-existing leaves a photo whose output is whole and newer than the photo and every
    // file of the template (its file, its layer files and a layer's picture); anything newer
    // than the output, no output, or an output that is cut, empty or garbage stamps it again.
    void skipExisting_data()
    {
        QTest::addColumn<QString>("newer"); // the file made newer than the output; "-" none
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>(
            "damage"); // what is done to the output: "", "half", "end", "empty", "garbage"
        QTest::addColumn<bool>("skipped");
        const QString jpeg = QStringLiteral("jpeg");
        const QString none;
        QTest::newRow("output up to date") << QStringLiteral("-") << jpeg << none << true;
        QTest::newRow("photo newer") << QStringLiteral("work/photos/b.jpg") << jpeg << none << false;
        QTest::newRow("template file newer")
            << QStringLiteral("data/templates/Demo 1.xml") << jpeg << none << false;
        QTest::newRow("layer file newer")
            << QStringLiteral("data/templates/Demo 1_Layer 1.xml") << jpeg << none << false;
        QTest::newRow("layer picture newer") << QStringLiteral("logo.png") << jpeg << none << false;
        QTest::newRow("output missing") << QString() << jpeg << none << false;
        for (const char* format : {"jpeg", "png", "tiff", "webp", "bmp"}) {
            QTest::addRow("%s output up to date", format)
                << QStringLiteral("-") << QString::fromLatin1(format) << none << true;
            for (const char* damage : {"half", "end", "empty", "garbage"})
                QTest::addRow("%s output up to date, %s", format, damage)
                    << QStringLiteral("-") << QString::fromLatin1(format) << QString::fromLatin1(damage)
                    << false;
        }
    }

    void skipExisting()
    {
        QFETCH(QString, newer);
        QFETCH(QString, format);
        QFETCH(QString, damage);
        QFETCH(bool, skipped);
        // From here on the template's layer draws a picture too.
        const QString data = m_data;
        const QString layer = data + QStringLiteral("/templates/Demo 1_Layer 1.xml");
        const QString logo = m_dir.filePath(QStringLiteral("logo.png"));
        if (!QFileInfo::exists(logo)) {
            QImage picture(QSize(40, 20), QImage::Format_ARGB32);
            picture.fill(QColor(20, 40, 200, 160));
            QVERIFY(picture.save(logo));
            QByteArray xml = readFile(layer);
            QVERIFY(xml.contains("<ImagePathName/>"));
            QVERIFY(writeFileMakingFolder(
                layer,
                xml.replace("<ImagePathName/>", "<ImagePathName>" + logo.toUtf8() + "</ImagePathName>")));
        }
        const QString photo = QStringLiteral("photos/b.jpg");
        const QString extension = format == QLatin1String("jpeg") ? QStringLiteral("jpg") : format;
        const QString output = QDir(m_root).filePath(QStringLiteral("out/b_new.") + extension);
        const QStringList arguments{QStringLiteral("--output-dir"),    QStringLiteral("out"),
                                    QStringLiteral("--format"),        format,
                                    QStringLiteral("--skip-existing"), photo};
        const Run first = run(arguments);
        QCOMPARE(first.out, lines({output}));
        QCOMPARE(first.exitCode, 0);
        const QByteArray stamped = readFile(output);

        // Everything a minute and a half old, the output a minute, then one file made new.
        for (const QString& file :
             {QDir(m_root).filePath(photo), data + QStringLiteral("/templates/Demo 1.xml"), layer, logo})
            QVERIFY(setAge(file, 90));
        if (!damage.isEmpty()) {
            const QByteArray whole = readFile(output);
            const QByteArray damaged = damage == QLatin1String("half")    ? whole.left(whole.size() / 2)
                                       : damage == QLatin1String("end")   ? whole.chopped(2)
                                       : damage == QLatin1String("empty") ? QByteArray()
                                                                          : QByteArray(whole.size(), 'x');
            QVERIFY(writeFileMakingFolder(output, damaged));
        }
        QVERIFY(setAge(output, 60));
        if (newer.isEmpty())
            QVERIFY(QFile::remove(output));
        else if (newer != QLatin1String("-"))
            QVERIFY(setAge(m_dir.filePath(newer), 10));
        const qint64 outputTime = modifiedNs(output);

        const Run again = run(arguments);
        QCOMPARE(again.err, QByteArray());
        QCOMPARE(again.exitCode, 0);
        if (skipped) {
            QCOMPARE(again.out,
                     lines({photo + QStringLiteral(": skipped, ") + output + QStringLiteral(" exists")}));
            QCOMPARE(modifiedNs(output), outputTime);
        } else {
            QCOMPARE(again.out, lines({output}));
            QVERIFY(modifiedNs(output) != outputTime);
        }
        QCOMPARE(readFile(output), stamped);
    }

    // An output name a file already holds (here one the run did not write): replaced by
    // default, left alone with skip, kept beside the new output with rename, by --if-exists or
    // else by config.ini; the same answers and files with one job and with three.
    void ifExists_data()
    {
        QTest::addColumn<QString>("option");      // --if-exists value; empty: none
        QTest::addColumn<int>("stored");          // IfOutputExists in config.ini; -1: no key
        QTest::addColumn<QStringList>("taken");   // names in out/ holding "earlier" before the run
        QTest::addColumn<QStringList>("answers"); // %R: the working folder
        QTest::addColumn<QStringList>("kept");    // names in out/ that still hold "earlier"
        const QStringList one{QStringLiteral("a_new.jpg")};
        const QStringList two{QStringLiteral("a_new.jpg"), QStringLiteral("a_new (2).jpg")};
        const QStringList written{QStringLiteral("%R/out/a_new.jpg"), QStringLiteral("%R/out/a_new.jpg")};
        QTest::newRow("default: replace")
            << QString() << -1 << one << QStringList{QStringLiteral("%R/out/a_new.jpg")} << QStringList();
        QTest::newRow("replace over the stored skip")
            << QStringLiteral("replace") << 1 << one << QStringList{QStringLiteral("%R/out/a_new.jpg")}
            << QStringList();
        QTest::newRow("skip") << QStringLiteral("skip") << -1 << one
                              << QStringList{QStringLiteral("photos/a.jpg: skipped, %R/out/a_new.jpg exists")}
                              << one;
        QTest::newRow("stored skip") << QString() << 1 << one
                                     << QStringList{QStringLiteral(
                                            "photos/a.jpg: skipped, %R/out/a_new.jpg exists")}
                                     << one;
        QTest::newRow("rename") << QStringLiteral("rename") << -1 << one
                                << QStringList{QStringLiteral("%R/out/a_new (2).jpg")} << one;
        QTest::newRow("stored rename, two names taken")
            << QString() << 2 << two << QStringList{QStringLiteral("%R/out/a_new (3).jpg")} << two;
        QTest::newRow("rename, two photos for one name")
            << QStringLiteral("rename") << -1 << one
            << QStringList{QStringLiteral("%R/out/a_new (2).jpg"), QStringLiteral("%R/out/a_new (3).jpg")}
            << one;
    }

    void ifExists()
    {
        QFETCH(QString, option);
        QFETCH(int, stored);
        QFETCH(QStringList, taken);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, kept);
        const QString config = m_data + QStringLiteral("/config.ini");
        const QByteArray configBefore = QFileInfo::exists(config) ? readFile(config) : QByteArray();
        if (stored >= 0)
            QVERIFY(writeFileMakingFolder(config, "[\xe5\xb8\xb8\xe8\xa7\x84]\r\nIfOutputExists=" +
                                                      QByteArray::number(stored) + "\r\n"));
        QStringList photos{QStringLiteral("photos/a.jpg")};
        if (answers.size() > 1) {
            photos << QStringLiteral("twin/a.jpg");
            QVERIFY(QDir().mkpath(QDir(m_root).filePath(QStringLiteral("twin"))));
            QVERIFY(QFile::exists(QDir(m_root).filePath(photos.constLast())) ||
                    QFile::copy(QDir(m_root).filePath(QStringLiteral("photos/b.jpg")),
                                QDir(m_root).filePath(photos.constLast())));
        }
        QStringList arguments{QStringLiteral("--output-dir"), QStringLiteral("out")};
        if (!option.isEmpty())
            arguments << QStringLiteral("--if-exists") << option;
        for (const int jobs : {1, 3}) {
            init();
            for (const QString& name : taken)
                QVERIFY(
                    writeFileMakingFolder(QDir(m_root).filePath(QStringLiteral("out/") + name), "earlier"));
            const Run result =
                run(arguments + QStringList{QStringLiteral("--jobs"), QString::number(jobs)} + photos);
            QCOMPARE(result.err, QByteArray());
            QCOMPARE(result.out, expand(lines(answers)));
            QCOMPARE(result.exitCode, 0);
            for (const QString& name : taken)
                QCOMPARE(readFile(QDir(m_root).filePath(QStringLiteral("out/") + name)) == "earlier",
                         kept.contains(name));
            for (const QString& answer : answers) {
                if (!answer.contains(QLatin1String(": skipped")))
                    QVERIFY(readFile(QString::fromUtf8(expand(answer.toUtf8()))).startsWith("\xff\xd8"));
            }
        }
        if (configBefore.isEmpty())
            QFile::remove(config);
        else
            QVERIFY(writeFileMakingFolder(config, configBefore));
    }

    // --json: one object a line per photo on standard output, in order, whatever the jobs;
    // nothing on standard error; the exit status as without it.
    void jsonAnswers()
    {
        const QString quoted = QStringLiteral("photos/q\"uote\\back\tslash.jpg");
        QVERIFY(QFile::copy(QDir(m_root).filePath(QStringLiteral("photos/a.jpg")),
                            QDir(m_root).filePath(quoted)));
        QVERIFY(
            writeFileMakingFolder(QDir(m_root).filePath(QStringLiteral("list.txt")), "photos/\xff.jpg\n"));
        const QStringList arguments{QStringLiteral("--json"),
                                    QStringLiteral("--jobs"),
                                    QStringLiteral("3"),
                                    QStringLiteral("--output-dir"),
                                    QStringLiteral("out"),
                                    QStringLiteral("--skip-existing"),
                                    QStringLiteral("photos/a.jpg"),
                                    QStringLiteral("photos/none.jpg"),
                                    quoted,
                                    QStringLiteral("--files-from"),
                                    QStringLiteral("list.txt")};
        struct Expected
        {
            QString source;
            QString output;
            QString reason;
        };
        const QString out = QDir(m_root).filePath(QStringLiteral("out"));
        const QList<Expected> photos{
            {QStringLiteral("photos/a.jpg"), out + QStringLiteral("/a_new.jpg"), QString()},
            {QStringLiteral("photos/none.jpg"), QString(), QStringLiteral("file not found")},
            {quoted, out + QStringLiteral("/q\"uote\\back\tslash_new.jpg"), QString()},
            {QStringLiteral("photos/\uFFFD.jpg"), QString(),
             QStringLiteral("the file name cannot be read as UTF-8")},
        };
        for (const QString& done : {QStringLiteral("written"), QStringLiteral("skipped")}) {
            const Run result = run(arguments);
            QCOMPARE(result.err, QByteArray());
            QCOMPARE(result.exitCode, 1);
            const QList<QByteArray> answers = result.out.split('\n');
            QCOMPARE(answers.size(), photos.size() + 1);
            QVERIFY(answers.constLast().isEmpty());
            for (int i = 0; i < photos.size(); ++i) {
                QJsonParseError error;
                const QJsonDocument doc = QJsonDocument::fromJson(answers.at(i), &error);
                QVERIFY2(error.error == QJsonParseError::NoError, answers.at(i).constData());
                const QJsonObject answer = doc.object();
                QCOMPARE(answer.keys(), (QStringList{QStringLiteral("milliseconds"), QStringLiteral("output"),
                                                     QStringLiteral("reason"), QStringLiteral("source"),
                                                     QStringLiteral("status")}));
                const Expected& expected = photos.at(i);
                QCOMPARE(answer.value(QStringLiteral("source")).toString(), expected.source);
                const bool failed = expected.output.isEmpty();
                QCOMPARE(answer.value(QStringLiteral("status")).toString(),
                         failed ? QStringLiteral("failed") : done);
                QCOMPARE(answer.value(QStringLiteral("output")).isNull(), failed);
                QCOMPARE(answer.value(QStringLiteral("output")).toString(), expected.output);
                QCOMPARE(answer.value(QStringLiteral("reason")).isNull(), !failed);
                QCOMPARE(answer.value(QStringLiteral("reason")).toString(), expected.reason);
                QVERIFY(answer.value(QStringLiteral("milliseconds")).isDouble());
                QVERIFY(answer.value(QStringLiteral("milliseconds")).toInteger(-1) >= 0);
            }
        }
    }

    // A complete data folder is only read: nothing in it changes, also when it is
    // read-only and several runs read it at once. One that lacks a part fails with the
    // reason when it cannot be written, and is prepared when it can.
    void readOnlyDataFolder_data()
    {
        QTest::addColumn<QString>("missing"); // removed from a complete data folder first
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("lacks"); // the start of the reason
        QTest::newRow("complete") << QString() << false << 0 << QString();
        QTest::newRow("complete, read-only, four runs at once") << QString() << true << 0 << QString();
        QTest::newRow("no preference.xml, read-only")
            << QStringLiteral("preference.xml") << true << 1 << QStringLiteral("preference.xml");
        QTest::newRow("no templates folder, read-only")
            << QStringLiteral("templates") << true << 1 << QStringLiteral("templates");
        QTest::newRow("no preference.xml, writable")
            << QStringLiteral("preference.xml") << false << 0 << QString();
    }

    void readOnlyDataFolder()
    {
        QFETCH(QString, missing);
        QFETCH(bool, readOnly);
        QFETCH(int, exitCode);
        QFETCH(QString, lacks);
        if (readOnly && m_readOnlyWay.isEmpty())
            QSKIP("this machine can make no read-only folder (root without private mounts)");

        static int count = 0;
        const QString data = m_dir.filePath(QStringLiteral("shared%1").arg(++count));
        {
            QProcess prepare;
            start(prepare, {QStringLiteral("--list-templates")}, data);
            QCOMPARE(finish(prepare).exitCode, 0);
        }
        if (missing == QLatin1String("templates"))
            QVERIFY(QDir(data + QStringLiteral("/templates")).removeRecursively());
        else if (!missing.isEmpty())
            QVERIFY(QFile::remove(data + QLatin1Char('/') + missing));
        // Old times, so that any write shows even on a coarse clock.
        for (const QString& entry : snapshot(data).keys())
            QVERIFY(setAge(QDir(data).filePath(entry), 3600));
        const QMap<QString, QString> before = snapshot(data);

        const bool byPermissions = readOnly && m_readOnlyWay == QLatin1String("permissions");
        if (byPermissions)
            QVERIFY(QProcess::execute(QStringLiteral("chmod"),
                                      {QStringLiteral("-R"), QStringLiteral("a-w"), data}) == 0);
        const int runs = readOnly && exitCode == 0 ? 4 : 1;
        QList<QProcess*> processes;
        for (int i = 0; i < runs; ++i) {
            auto* process = new QProcess(this);
            start(*process,
                  {QStringLiteral("--output-dir"), QStringLiteral("out/run%1").arg(i),
                   QStringLiteral("photos/a.jpg")},
                  data, readOnly && !byPermissions ? data : QString());
            processes << process;
        }
        QList<Run> results;
        for (QProcess* process : processes) {
            results << finish(*process);
            delete process;
        }
        if (byPermissions)
            QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("-R"), QStringLiteral("u+w"), data});

        for (int i = 0; i < runs; ++i) {
            const Run& result = results.at(i);
            QCOMPARE(result.exitCode, exitCode);
            if (exitCode == 0) {
                QCOMPARE(result.err, QByteArray());
                const QString written = QDir(m_root).filePath(QStringLiteral("out/run%1/a_new.jpg").arg(i));
                QCOMPARE(result.out, lines({written}));
                QCOMPARE(readFile(written),
                         readFile(QDir(m_root).filePath(QStringLiteral("out/run0/a_new.jpg"))));
            } else {
                const QString reason = QString::fromUtf8(result.err);
                const QString start =
                    QStringLiteral("lumora-batch: the data folder %1 lacks %2 and cannot be prepared: ")
                        .arg(data, lacks);
                QVERIFY2(reason.startsWith(start), qPrintable(reason));
                QVERIFY2(reason == start + QStringLiteral("read-only file system\n") ||
                             reason == start + QStringLiteral("permission denied\n"),
                         qPrintable(reason));
                QVERIFY(result.out.isEmpty());
            }
        }
        if (missing.isEmpty() || readOnly)
            QCOMPARE(snapshot(data), before);
        else
            QVERIFY(QFileInfo::exists(data + QLatin1Char('/') + missing));
    }
};

QTEST_GUILESS_MAIN(BatchPipelineTest)
#include "tst_BatchPipeline.moc"
