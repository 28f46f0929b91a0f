// lumora-batch when the run is cut short or its answers cannot be delivered: a signal in the
// middle of a run (SIGINT, SIGTERM, SIGHUP, SIGPIPE from a closed pipe) leaves no temporary
// files and ends the program by that signal; standard output that is full or closed makes the
// run fail with a message instead of losing the answers or moving them to standard error; a
// photo name that is not UTF-8 gets a reason saying so; an output folder that exists but takes
// no files gets its real cause; and the output folder is searched for leftovers once per run.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <optional>
#include <vector>

#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "BatchFixture.h"
#include "services/files/AtomicFileWriter.h"
#include "support/TestPictures.h"

namespace {

// Where the child's standard output goes.
enum class Output
{
    File,       // a file the test reads
    Full,       // /dev/full: every write fails with ENOSPC
    Closed,     // descriptor 1 is not open
    ClosedPipe, // a pipe whose reading end is already closed: the first write raises SIGPIPE
};

struct BatchRunResult
{
    bool hung = false;
    int exitCode = -1;
    int signal = 0;
    QByteArray out;
    QByteArray err;

    QString describe() const
    {
        if (hung)
            return QStringLiteral("hung");
        if (signal != 0)
            return QStringLiteral("signal %1; stderr: %2").arg(signal).arg(QString::fromUtf8(err));
        return QStringLiteral("exit %1; stderr: %2").arg(exitCode).arg(QString::fromUtf8(err));
    }
};

QByteArray readAll(QTemporaryFile& file)
{
    file.seek(0);
    return file.readAll();
}

// True when `folder` holds a temporary file of lumora-batch (".lumora-*.part").
bool holdsTemporary(const QByteArray& folder)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith(".lumora-") && name.endsWith(".part")) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

void pause(long nanoseconds)
{
    const timespec step{0, nanoseconds};
    ::nanosleep(&step, nullptr);
}

// Runs lumora-batch with arguments given as bytes (names need not be UTF-8). When `signal` is
// set, sends it as soon as a temporary file shows up in `watched`. The child starts with the
// default action for every signal, whatever this test inherited.
BatchRunResult runBatch(const QList<QByteArray>& arguments, const QProcessEnvironment& environment,
                        Output output, std::optional<int> signal = std::nullopt,
                        const QByteArray& watched = QByteArray(), double limitSeconds = 120)
{
    BatchRunResult outcome;
    QTemporaryFile outFile;
    QTemporaryFile errFile;
    if (!outFile.open() || !errFile.open())
        return outcome;

    std::vector<QByteArray> argStore{QFile::encodeName(BatchFixture::batchProgram())};
    argStore.insert(argStore.end(), arguments.begin(), arguments.end());
    ExecStrings argv(std::move(argStore));
    ExecStrings envp = ExecStrings::environment(environment);

    int pipeEnds[2] = {-1, -1};
    if (output == Output::ClosedPipe) {
        if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
            return outcome;
        ::close(pipeEnds[0]);
    }
    const int outFd = outFile.handle();
    const int errFd = errFile.handle();

    const pid_t pid = ::fork();
    if (pid < 0)
        return outcome;
    if (pid == 0) {
        switch (output) {
        case Output::File:
            ::dup2(outFd, STDOUT_FILENO);
            break;
        case Output::Full: {
            const int full = ::open("/dev/full", O_WRONLY);
            if (full < 0)
                ::_exit(126);
            ::dup2(full, STDOUT_FILENO);
            break;
        }
        case Output::Closed:
            ::close(STDOUT_FILENO);
            break;
        case Output::ClosedPipe:
            ::dup2(pipeEnds[1], STDOUT_FILENO);
            break;
        }
        ::dup2(errFd, STDERR_FILENO);
        const int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0)
            ::dup2(devNull, STDIN_FILENO);
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
            std::signal(s, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(argv.data()[0], argv.data(), envp.data());
        ::_exit(127);
    }
    if (pipeEnds[1] >= 0)
        ::close(pipeEnds[1]);

    QElapsedTimer clock;
    clock.start();
    int status = 0;
    bool sent = false;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (clock.elapsed() > qint64(limitSeconds * 1000)) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            outcome.hung = true;
            break;
        }
        if (signal && !sent && holdsTemporary(watched)) {
            ::kill(pid, *signal);
            sent = true;
        }
        pause(200'000);
    }
    if (WIFEXITED(status))
        outcome.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        outcome.signal = WTERMSIG(status);
    outcome.out = readAll(outFile);
    outcome.err = readAll(errFile);
    return outcome;
}

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QList<QByteArray> lines(const QByteArray& bytes)
{
    QList<QByteArray> result;
    for (const QByteArray& line : bytes.split('\n'))
        if (!line.isEmpty())
            result.append(line);
    return result;
}

} // namespace

class SignalsAndStreamsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    BatchFixture m_fixture;
    QString m_out;
    QString m_small;             // a small photo
    QList<QByteArray> m_longRun; // a medium photo, then many large ones (output: PNG)
    QList<QByteArray> m_dataDir; // "--data-dir", the fixture's data folder

    // Clears the output folder between runs.
    void clearOutput()
    {
        QDir(m_out).removeRecursively();
        QDir().mkpath(m_out);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_out = m_root.filePath(QStringLiteral("out"));
        QVERIFY2(m_fixture.prepare(m_root.path(), m_out, 1), qPrintable(m_fixture.error()));
        m_dataDir = {"--data-dir", native(m_fixture.dataFolder()), "--template", "Blank"};

        const QString photos = m_root.filePath(QStringLiteral("photos"));
        QVERIFY(QDir().mkpath(photos));
        m_small = photos + QStringLiteral("/small.bmp");
        QVERIFY(TestPictures::noise(64, 48, 7).save(m_small, "BMP"));
        const QString medium = photos + QStringLiteral("/medium.bmp");
        QVERIFY(TestPictures::noise(1500, 1000, 11).save(medium, "BMP"));
        const QString large = photos + QStringLiteral("/large.bmp");
        QVERIFY(TestPictures::noise(3000, 2000, 13).save(large, "BMP"));
        // The large photo under many names (hard links): each is a photo of its own.
        m_longRun = {native(medium)};
        for (int i = 0; i < 40; ++i) {
            const QString name = photos + QStringLiteral("/large%1.bmp").arg(i, 2, 10, QLatin1Char('0'));
            QVERIFY(::link(native(large).constData(), native(name).constData()) == 0);
            m_longRun.append(native(name));
        }
    }

    // A signal in the middle of a run: the temporary files of the writes under way are
    // removed and the program ends by that same signal, as the shell expects.
    void signalsLeaveNoTemporaryFiles_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("fromClosedPipe");
        QTest::newRow("SIGINT") << int(SIGINT) << false;
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("SIGHUP") << int(SIGHUP) << false;
        QTest::newRow("SIGPIPE sent") << int(SIGPIPE) << false;
        // Like "lumora-batch ... | head -0": the first path line hits a closed pipe while the
        // large photo after the medium one is being written.
        QTest::newRow("SIGPIPE from a closed pipe") << int(SIGPIPE) << true;
    }

    void signalsLeaveNoTemporaryFiles()
    {
        QFETCH(int, signal);
        QFETCH(bool, fromClosedPipe);
        clearOutput();
        const QList<QByteArray> arguments = m_dataDir + QList<QByteArray>{"--jobs", "2"} + m_longRun;
        const BatchRunResult outcome =
            fromClosedPipe
                ? runBatch(arguments, m_fixture.environment(), Output::ClosedPipe)
                : runBatch(arguments, m_fixture.environment(), Output::File, signal, native(m_out));
        QVERIFY2(!outcome.hung, qPrintable(outcome.describe()));
        QVERIFY2(outcome.signal == signal, qPrintable(outcome.describe()));
        QVERIFY2(temporaryLeftovers(m_out).isEmpty(), qPrintable(temporaryLeftovers(m_out).join(u' ')));
    }

    // Answers that cannot be delivered are an error of every command that prints: a full
    // standard output fails the run with a message; a closed one as well, and its lines
    // never end up on standard error instead.
    void brokenStandardOutputIsAnError_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<int>("output");
        const QByteArray preview = native(m_out + QStringLiteral("/preview.png"));
        const QByteArray sample = native(m_out + QStringLiteral("/sample.png"));
        const QList<std::pair<const char*, QList<QByteArray>>> commands = {
            {"--version", {"--version"}},
            {"--help", {"--help"}},
            {"--list-templates", m_dataDir + QList<QByteArray>{"--list-templates"}},
            {"stamping", m_dataDir + QList<QByteArray>{native(m_small)}},
            {"--preview", m_dataDir + QList<QByteArray>{"--preview", native(m_small), preview}},
            {"--sample", m_dataDir + QList<QByteArray>{"--sample", sample}},
            // The picture itself on standard output.
            {"--preview -", m_dataDir + QList<QByteArray>{"--preview", native(m_small), "-"}},
            {"--sample /dev/stdout", m_dataDir + QList<QByteArray>{"--sample", "/dev/stdout"}},
        };
        for (const auto& [name, arguments] : commands) {
            QTest::addRow("%s, output full", name) << arguments << int(Output::Full);
            QTest::addRow("%s, output closed", name) << arguments << int(Output::Closed);
        }
    }

    void brokenStandardOutputIsAnError()
    {
        QFETCH(QList<QByteArray>, arguments);
        QFETCH(int, output);
        clearOutput();
        const BatchRunResult normal = runBatch(arguments, m_fixture.environment(), Output::File);
        QVERIFY2(normal.exitCode == 0 && !normal.out.isEmpty(), qPrintable(normal.describe()));
        const bool picture = arguments.constLast() == "-" || arguments.constLast() == "/dev/stdout";
        if (picture)
            QVERIFY2(QImage::fromData(normal.out, "PNG").size() == QSize(64, 48) ||
                         QImage::fromData(normal.out, "PNG").size() == QSize(677, 625),
                     qPrintable(normal.describe()));

        const BatchRunResult broken = runBatch(arguments, m_fixture.environment(), Output(output));
        QVERIFY2(broken.exitCode == 1, qPrintable(broken.describe()));
        QVERIFY2(broken.err.contains("lumora-batch: cannot write to standard output: "),
                 qPrintable(broken.describe()));
        for (const QByteArray& line : lines(normal.out))
            QVERIFY2(picture || !broken.err.contains(line), qPrintable(broken.describe()));
    }

    // Only a regular file (or a link, replaced as a link) at an output name is replaced: a FIFO
    // or a device stays what it is and the command fails naming it.
    void specialFilesAtOutputNamesStay_data()
    {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<QByteArray>("target");
        const QByteArray stamped = native(m_out + QStringLiteral("/small_new.png"));
        const QByteArray preview = native(m_out + QStringLiteral("/preview.png"));
        const QByteArray sample = native(m_out + QStringLiteral("/sample.png"));
        QTest::newRow("stamping") << m_dataDir + QList<QByteArray>{native(m_small)} << stamped;
        QTest::newRow("--preview") << m_dataDir + QList<QByteArray>{"--preview", native(m_small), preview}
                                   << preview;
        QTest::newRow("--sample") << m_dataDir + QList<QByteArray>{"--sample", sample} << sample;
    }

    void specialFilesAtOutputNamesStay()
    {
        QFETCH(QList<QByteArray>, arguments);
        QFETCH(QByteArray, target);
        clearOutput();
        QVERIFY(QDir().mkpath(QFile::decodeName(native(m_out))));
        QVERIFY(::mkfifo(target.constData(), 0644) == 0);
        const BatchRunResult outcome = runBatch(arguments, m_fixture.environment(), Output::File);
        struct stat info = {};
        QVERIFY(::lstat(target.constData(), &info) == 0);
        ::unlink(target.constData());
        QVERIFY2(S_ISFIFO(info.st_mode), "the FIFO was replaced");
        QVERIFY2(outcome.exitCode == 1, qPrintable(outcome.describe()));
        QVERIFY2(outcome.err.contains(target + ": it is not a regular file"), qPrintable(outcome.describe()));
        QVERIFY2(temporaryLeftovers(m_out).isEmpty(), qPrintable(temporaryLeftovers(m_out).join(u' ')));
    }

    // A photo name whose bytes are not UTF-8 gets an answer line of its own, in its place,
    // that says so and shows the name as given; the photos around it are stamped.
    void unreadableNamesGetTheirReason_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("Latin-1 byte in the file name") << QByteArray("caf\xe9.bmp");
        QTest::newRow("Latin-1 byte in the folder name") << QByteArray("f\xf6lder/photo.bmp");
        QTest::newRow("sequence cut short") << QByteArray("cut\xc3.bmp");
        QTest::newRow("sequence cut short at the end") << QByteArray("end.bmp\xe2\x82");
        QTest::newRow("overlong encoding") << QByteArray("long\xc0\xaf.bmp");
        QTest::newRow("encoded surrogate") << QByteArray("half\xed\xa0\x80.bmp");
    }

    void unreadableNamesGetTheirReason()
    {
        QFETCH(QByteArray, name);
        clearOutput();
        const QByteArray folder = native(m_root.filePath(QStringLiteral("odd")));
        QDir(QFile::decodeName(folder)).removeRecursively();
        const QByteArray path = folder + '/' + name;
        QVERIFY(QDir().mkpath(QFile::decodeName(folder)));
        const qsizetype slash = path.lastIndexOf('/');
        ::mkdir(path.left(slash).constData(), 0755); // a folder with an odd name, when it has one
        QFile small(m_small);
        QVERIFY(small.open(QIODevice::ReadOnly));
        const QByteArray bytes = small.readAll();
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        ::close(fd);
        const QByteArray first = folder + "/first.bmp";
        const QByteArray last = folder + "/last.bmp";
        QVERIFY(QFile::copy(m_small, QFile::decodeName(first)) &&
                QFile::copy(m_small, QFile::decodeName(last)));

        const BatchRunResult outcome =
            runBatch(m_dataDir + QList<QByteArray>{first, path, last}, m_fixture.environment(), Output::File);
        QVERIFY2(outcome.exitCode == 1, qPrintable(outcome.describe()));
        QCOMPARE(lines(outcome.out), (QList<QByteArray>{native(m_out + QStringLiteral("/first_new.png")),
                                                        native(m_out + QStringLiteral("/last_new.png"))}));
        const QList<QByteArray> errLines = lines(outcome.err);
        // Qt cannot remove what it cannot name: the odd names go here.
        ::unlink(path.constData());
        ::rmdir(path.left(slash).constData());
        QCOMPARE(errLines, QList<QByteArray>{path + ": the file name cannot be read as UTF-8"});
    }

    // An output folder that exists but takes no new files is not called missing.
    void unwritableFolderGetsItsCause_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("reason");
        const QString missing = m_root.filePath(QStringLiteral("missing"));
        QTest::newRow("missing folder")
            << missing << QStringLiteral("the folder %1 does not exist").arg(missing);
        QTest::newRow("a folder that takes no files")
            << QStringLiteral("/proc/self")
            << QStringLiteral("cannot create files in the folder /proc/self: it does not accept new files");
    }

    void unwritableFolderGetsItsCause()
    {
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        AtomicFileWriter writer(folder + QStringLiteral("/out.png"));
        QCOMPARE(writer.open().sentence(), reason);

        // The same reason reaches the answer line of lumora-batch.
        if (folder == QLatin1String("/proc/self")) {
            QVERIFY(m_fixture.writePreferences(folder, 1));
            const BatchRunResult outcome = runBatch(m_dataDir + QList<QByteArray>{native(m_small)},
                                                    m_fixture.environment(), Output::File);
            QVERIFY(m_fixture.writePreferences(m_out, 1));
            QCOMPARE(lines(outcome.err), QList<QByteArray>{native(m_small) + ": " + reason.toUtf8()});
        }
    }

    // The output folder is searched for leftovers of killed runs once per run, at the first
    // write into it: what that search found is removed by the writes of the same targets, a
    // leftover that shows up later waits for the next run.
    void leftoversAreSoughtOncePerRun()
    {
        const QString folder = m_root.filePath(QStringLiteral("sweep"));
        QVERIFY(QDir().mkpath(folder));
        const auto target = [&](const char* name) { return folder + QLatin1Char('/') + QLatin1String(name); };
        // A leftover of `name`'s write by a process that no longer runs (pids stay far below).
        const auto leftover = [&](const char* name) {
            const QString path = folder + QLatin1Char('/') + AtomicFileWriter::temporaryPrefix(target(name)) +
                                 QStringLiteral("2147483646-1a") + AtomicFileWriter::temporarySuffix();
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write("partial") == 7 ? path : QString();
        };
        const auto write = [&](const char* name) {
            AtomicFileWriter writer(target(name));
            return writer.open().ok() && writer.write("done", 4) && writer.commit().ok();
        };

        AtomicFileWriter::forgetSweptFolders(); // a new run
        const QString early = leftover("third.png");
        QVERIFY(!early.isEmpty());
        QVERIFY(write("first.png")); // lists the folder
        const QString late = leftover("second.png");
        QVERIFY(!late.isEmpty());
        QVERIFY(write("second.png"));
        QVERIFY(write("third.png"));
        QVERIFY2(QFile::exists(late), "the folder was listed again in the same run");
        QVERIFY2(!QFile::exists(early), "a leftover found by the first listing stayed");

        AtomicFileWriter::forgetSweptFolders(); // the next run
        QVERIFY(write("second.png"));
        QVERIFY(!QFile::exists(late));
    }
};

QTEST_GUILESS_MAIN(SignalsAndStreamsTest)
#include "tst_SignalsAndStreams.moc"
