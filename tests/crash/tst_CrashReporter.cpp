#include "services/crash/CallStack.h"
#include "services/crash/CrashDump.h"
#include "services/crash/ModuleMap.h"
#include "services/crash/ReportBuffer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <memory>
#include <string>
#include <sys/utsname.h>
#include <vector>

namespace {

QString helperPath()
{
    return QFileInfo(QStringLiteral(CRASH_HELPER_PATH)).canonicalFilePath();
}

struct HelperRun
{
    bool crashed = false;
    int signal = 0;
};

HelperRun runHelper(const QString& dataFolder, const QString& mode, const QString& program = helperPath())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {dataFolder, mode});
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    // Qt gives the terminating signal as the exit code of a crashed process.
    return {process.exitStatus() == QProcess::CrashExit, process.exitCode()};
}

// Decodes a report file: UTF-16LE ending in exactly one NUL character.
bool readReport(const QString& path, QString* text, qint64* characters = nullptr)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 2 || bytes.size() % 2 != 0)
        return false;
    QString decoded(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < decoded.size(); ++i)
        decoded[i] = QChar(qFromLittleEndian<quint16>(bytes.constData() + 2 * i));
    if (!decoded.endsWith(QChar(0)) || decoded.chopped(1).contains(QChar(0)))
        return false;
    if (characters)
        *characters = decoded.size();
    *text = decoded.chopped(1);
    return true;
}

struct ParsedDump
{
    bool ok = false;
    quint32 sequence = 0;
    qint32 signal = 0;
    QList<quint64> registers;
    quint64 stackStart = 0;
    qint64 stackLength = 0;
    QByteArray modules;
};

ParsedDump readDump(const QString& path)
{
    ParsedDump dump;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return dump;
    const QByteArray bytes = file.readAll();
    // Read through a copy: GCC's bounds warning cannot tell that the size checks below keep
    // reads away from QByteArray's shared empty array.
    const std::string raw = bytes.toStdString();
    const char* base = raw.data();
    if (bytes.size() < 32 || !bytes.startsWith(QByteArray(kCrashDumpMagic, 8)) ||
        qFromLittleEndian<quint32>(base + 8) != kCrashDumpFormatVersion)
        return dump;
    dump.sequence = qFromLittleEndian<quint32>(base + 12);
    dump.signal = qFromLittleEndian<qint32>(base + 16);
    qsizetype at = 32;
    while (at + 16 <= bytes.size()) {
        const quint32 tag = qFromLittleEndian<quint32>(base + at);
        const quint64 length = qFromLittleEndian<quint64>(base + at + 8);
        at += 16;
        if (length > quint64(bytes.size() - at))
            return dump;
        const QByteArray payload = bytes.mid(at, qsizetype(length));
        at += qsizetype(length);
        if (tag == CrashDumpRegisters) {
            for (qsizetype i = 0; i + 8 <= payload.size(); i += 8)
                dump.registers.append(qFromLittleEndian<quint64>(payload.constData() + i));
        } else if (tag == CrashDumpStack && payload.size() >= 8) {
            dump.stackStart = qFromLittleEndian<quint64>(payload.constData());
            dump.stackLength = payload.size() - 8;
        } else if (tag == CrashDumpModules) {
            dump.modules = payload;
        }
    }
    dump.ok = at == bytes.size();
    return dump;
}

QString lineStartingWith(const QStringList& lines, const QString& prefix)
{
    for (const QString& line : lines)
        if (line.startsWith(prefix))
            return line;
    return QString();
}

// The lines after "Call Stack:" that are entries (not module headers).
int callStackEntries(const QStringList& lines)
{
    const qsizetype start = lines.indexOf(QStringLiteral("Call Stack:"));
    if (start < 0)
        return -1;
    static const QRegularExpression entry(QStringLiteral("^(  \\+[0-9A-F]{8,}.*|[0-9A-F]{8,})$"));
    int count = 0;
    for (qsizetype i = start + 1; i < lines.size(); ++i)
        if (entry.match(lines[i]).hasMatch())
            ++count;
    return count;
}

QString systemName()
{
    struct utsname names = {};
    uname(&names);
    return QString::fromUtf8(names.sysname);
}

QString toQString(const ReportBuffer& buffer)
{
    return QString::fromUtf16(buffer.data(), qsizetype(buffer.length()));
}

} // namespace

class CrashReporterTest : public QObject
{
    Q_OBJECT

private slots:
    void reportBufferDecodesUtf8_data();
    void reportBufferDecodesUtf8();
    void reportBufferStopsAtCapacity_data();
    void reportBufferStopsAtCapacity();
    void moduleMapLooksUpAddresses_data();
    void moduleMapLooksUpAddresses();
    void callStackWalksFrameRecords_data();
    void callStackWalksFrameRecords();
    void crashLeavesReportAndDump_data();
    void crashLeavesReportAndDump();
    void callStackStops_data();
    void callStackStops();
    void secondCrashReplacesFirst();
    void overlappingCrashesAreWrittenOneAfterTheOther();
    void longReportIsCutAt8000Characters();
};

void CrashReporterTest::reportBufferDecodesUtf8_data()
{
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QString>("expected");
    QTest::newRow("chinese") << QByteArray("/home/用户/水印") << QStringLiteral("/home/用户/水印");
    QTest::newRow("outside the basic plane")
        << QByteArray("a\xF0\x9F\x98\x80z") << QStringLiteral("a\U0001F600z");
    QTest::newRow("stray continuation byte") << QByteArray("a\x80z") << QStringLiteral("a\uFFFDz");
    QTest::newRow("cut sequence") << QByteArray("a\xE6\xB0z") << QStringLiteral("a\uFFFDz");
    QTest::newRow("encoded surrogate") << QByteArray("a\xED\xA0\x80z") << QStringLiteral("a\uFFFDz");
}

void CrashReporterTest::reportBufferDecodesUtf8()
{
    QFETCH(QByteArray, utf8);
    QFETCH(QString, expected);
    auto buffer = std::make_unique<ReportBuffer>();
    buffer->appendUtf8(utf8.constData(), std::size_t(utf8.size()));
    QCOMPARE(toQString(*buffer), expected);
    QCOMPARE(buffer->data()[buffer->length()], u'\0');
}

void CrashReporterTest::reportBufferStopsAtCapacity_data()
{
    QTest::addColumn<int>("fill");
    QTest::addColumn<QString>("tail");
    QTest::addColumn<bool>("lineBreak");
    QTest::addColumn<int>("expectedLength");
    const int last = int(ReportBuffer::kCapacity) - 1;
    QTest::newRow("long ascii") << 9000 << QString() << false << last;
    QTest::newRow("fits exactly") << last << QString() << false << last;
    QTest::newRow("pair not split") << last - 1 << QStringLiteral("\U0001F600") << false << last - 1;
    QTest::newRow("pair fits") << last - 2 << QStringLiteral("\U0001F600") << false << last;
    QTest::newRow("line break not split") << last - 1 << QStringLiteral("x") << true << last - 1;
}

void CrashReporterTest::reportBufferStopsAtCapacity()
{
    QFETCH(int, fill);
    QFETCH(QString, tail);
    QFETCH(bool, lineBreak);
    QFETCH(int, expectedLength);
    auto buffer = std::make_unique<ReportBuffer>();
    const QByteArray filler(fill, 'a');
    buffer->appendUtf8(filler.constData(), std::size_t(filler.size()));
    if (lineBreak)
        buffer->beginLine();
    const QByteArray tailBytes = tail.toUtf8();
    buffer->appendUtf8(tailBytes.constData(), std::size_t(tailBytes.size()));
    QCOMPARE(int(buffer->length()), expectedLength);
    QCOMPARE(buffer->data()[buffer->length()], u'\0');
    const QString text = toQString(*buffer);
    QVERIFY(!text.back().isHighSurrogate());
    QVERIFY(!text.endsWith(QLatin1Char('\r')));
}

namespace {

const char kSampleMap[] =
    "00400000-00401000 r--p 00000000 08:01 11 /opt/a/libA.so\n"
    "00401000-00410000 r-xp 00001000 08:01 11 /opt/a/libA.so\n"
    "00410000-00420000 rw-p 00010000 08:01 11 /opt/a/libA.so\n"
    "00420000-00430000 rw-p 00000000 00:00 0 \n"
    "00500000-00510000 ---p 00000000 00:00 0 \n"
    "00600000-00601000 r-xp 00002000 08:01 12 /opt/my dir/libB.so (deleted)\n"
    "7ffd0000-7ffe0000 rw-p 00000000 00:00 0                          [stack]\n"
    "7ffe0000-7ffe1000 r-xp 00000000 00:00 0                          [vdso]\n"
    "ffffffffff600000-ffffffffff601000 --xp 00000000 00:00 0                  [vsyscall]\n"
    "7fff0000-7fff1000 r-xp 00000000 08:01 13 /cut/line";

} // namespace

void CrashReporterTest::moduleMapLooksUpAddresses_data()
{
    QTest::addColumn<quint64>("address");
    QTest::addColumn<quint64>("length");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<quint64>("base");
    QTest::addColumn<QString>("path");
    QTest::newRow("code") << quint64(0x401234) << quint64(4) << true << true << quint64(0x400000)
                          << QStringLiteral("/opt/a/libA.so");
    QTest::newRow("data") << quint64(0x410010) << quint64(8) << true << false << quint64(0x400000)
                          << QStringLiteral("/opt/a/libA.so");
    QTest::newRow("across two regions") << quint64(0x40FFF0) << quint64(0x40) << true << true
                                        << quint64(0x400000) << QStringLiteral("/opt/a/libA.so");
    QTest::newRow("into anonymous memory") << quint64(0x41FFF0) << quint64(0x20) << true << false
                                           << quint64(0x400000) << QStringLiteral("/opt/a/libA.so");
    QTest::newRow("into a gap") << quint64(0x42FFF0) << quint64(0x20) << false << false << quint64(0)
                                << QString();
    QTest::newRow("guard region") << quint64(0x500010) << quint64(1) << false << false << quint64(0)
                                  << QString();
    QTest::newRow("no header mapped") << quint64(0x600010) << quint64(4) << true << true << quint64(0x5FE000)
                                      << QStringLiteral("/opt/my dir/libB.so (deleted)");
    QTest::newRow("stack") << quint64(0x7ffd0010) << quint64(16) << true << false << quint64(0) << QString();
    QTest::newRow("execute only") << quint64(0xffffffffff600000) << quint64(1) << false << true << quint64(0)
                                  << QString();
    QTest::newRow("below everything")
        << quint64(0x1000) << quint64(1) << false << false << quint64(0) << QString();
    QTest::newRow("wraps around") << quint64(0xfffffffffffffff0) << quint64(0x20) << false << false
                                  << quint64(0) << QString();
    QTest::newRow("incomplete last line")
        << quint64(0x7fff0010) << quint64(1) << false << false << quint64(0) << QString();
}

void CrashReporterTest::moduleMapLooksUpAddresses()
{
    QFETCH(quint64, address);
    QFETCH(quint64, length);
    QFETCH(bool, readable);
    QFETCH(bool, executable);
    QFETCH(quint64, base);
    QFETCH(QString, path);
    auto map = std::make_unique<ModuleMap>();
    map->parse(kSampleMap, sizeof kSampleMap - 1);
    QCOMPARE(int(map->regionCount()), 9);
    QCOMPARE(map->isReadable(std::uintptr_t(address), std::size_t(length)), readable);
    QCOMPARE(map->isExecutable(std::uintptr_t(address)), executable);
    ModuleInfo module;
    QCOMPARE(map->FindModuleOfAddress(std::uintptr_t(address), &module), !path.isEmpty());
    if (!path.isEmpty()) {
        QCOMPARE(quint64(module.base), base);
        QCOMPARE(QString::fromUtf8(module.path, qsizetype(module.pathLength)), path);
    }
}

namespace {

// Fake frame records in a buffer that a synthetic memory map declares readable; the return
// addresses point into fake modules that the walker never reads.
constexpr std::size_t kRecordWords = 8;

struct FakeStack
{
    std::vector<std::uintptr_t> words;
    std::unique_ptr<ModuleMap> map = std::make_unique<ModuleMap>();

    // returns[0] is the faulting address; returns[i] is stored in record i-1. Record i's slots
    // after the return address hold 10 * (i + 1) + slot.
    FakeStack(const QList<quint64>& returns, int brokenAfter, bool loopBack)
        : words(kRecordWords * (std::size_t(returns.size()) + 1), 0)
    {
        for (qsizetype i = 1; i < returns.size(); ++i) {
            std::uintptr_t* record = &words[kRecordWords * std::size_t(i - 1)];
            record[0] = reinterpret_cast<std::uintptr_t>(&words[kRecordWords * std::size_t(i)]);
            record[1] = std::uintptr_t(returns[i]);
            for (std::size_t slot = 0; slot < 5; ++slot)
                record[2 + slot] = 10 * std::uintptr_t(i) + slot;
        }
        if (brokenAfter >= 0)
            words[kRecordWords * std::size_t(brokenAfter)] = 0x10; // never mapped
        if (loopBack && returns.size() > 2)
            words[kRecordWords] = reinterpret_cast<std::uintptr_t>(&words[0]);
        const auto begin = reinterpret_cast<quint64>(words.data());
        const auto end = begin + words.size() * sizeof(std::uintptr_t);
        const QByteArray text = QByteArray("00400000-00401000 r--p 00000000 08:01 11 /opt/a/libA.so\n"
                                           "00401000-00410000 r-xp 00001000 08:01 11 /opt/a/libA.so\n"
                                           "00500000-00510000 r-xp 00000000 08:01 12 /opt/b/libB.so\n"
                                           "00700000-00710000 r-xp 00000000 00:00 0 \n"
                                           "00800000-00810000 rw-p 00000000 00:00 0 \n") +
                                QByteArray::number(begin, 16) + '-' + QByteArray::number(end, 16) +
                                " rw-p 00000000 00:00 0 [heap]\n";
        map->parse(text.constData(), std::size_t(text.size()));
    }

    std::uintptr_t firstFramePointer() const { return reinterpret_cast<std::uintptr_t>(words.data()); }
};

} // namespace

void CrashReporterTest::callStackWalksFrameRecords_data()
{
    QTest::addColumn<QList<quint64>>("returns");
    QTest::addColumn<int>("brokenAfter");
    QTest::addColumn<bool>("loopBack");
    QTest::addColumn<QString>("expected");

    QTest::newRow("grouped by module")
        << QList<quint64>{0x401234, 0x401300, 0x500010, 0x700020, 0x401400} << -1 << false
        << QStringLiteral("00400000  /opt/a/libA.so\r\n"
                          "  +00001234  Exception Offset\r\n"
                          "  +00001300  (A, B, C, D, E)\r\n"
                          "00500000  /opt/b/libB.so\r\n"
                          "  +00000010  (14, 15, 16, 17, 18)\r\n"
                          "00700020\r\n"
                          "00400000  /opt/a/libA.so\r\n"
                          "  +00001400  (28, 29, 2A, 2B, 2C)");
    QTest::newRow("return address outside code ends the walk")
        << QList<quint64>{0x401234, 0x401300, 0x800000, 0x401400} << -1 << false
        << QStringLiteral("00400000  /opt/a/libA.so\r\n"
                          "  +00001234  Exception Offset\r\n"
                          "  +00001300  (A, B, C, D, E)");
    QTest::newRow("unreadable frame pointer ends the walk")
        << QList<quint64>{0x401234, 0x401300, 0x401400, 0x401500} << 1 << false
        << QStringLiteral("00400000  /opt/a/libA.so\r\n"
                          "  +00001234  Exception Offset\r\n"
                          "  +00001300  (A, B, C, D, E)\r\n"
                          "  +00001400  (14, 15, 16, 17, 18)");
    QTest::newRow("a chain that does not climb ends the walk")
        << QList<quint64>{0x401234, 0x401300, 0x401400, 0x401500} << -1 << true
        << QStringLiteral("00400000  /opt/a/libA.so\r\n"
                          "  +00001234  Exception Offset\r\n"
                          "  +00001300  (A, B, C, D, E)\r\n"
                          "  +00001400  (14, 15, 16, 17, 18)");
    QTest::newRow("faulting address outside code writes nothing")
        << QList<quint64>{0x0, 0x401300} << -1 << false << QString();

    QList<quint64> deep;
    QString expected = QStringLiteral("00400000  /opt/a/libA.so\r\n  +00001000  Exception Offset");
    for (int i = 1; i < 30; ++i) {
        deep.append(0x401000 + quint64(i));
        if (i < kMaxCallStackEntries)
            expected += QStringLiteral("\r\n  +%1  (%2, %3, %4, %5, %6)")
                            .arg(0x1000 + i, 8, 16, QLatin1Char('0'))
                            .arg(10 * i, 0, 16)
                            .arg(10 * i + 1, 0, 16)
                            .arg(10 * i + 2, 0, 16)
                            .arg(10 * i + 3, 0, 16)
                            .arg(10 * i + 4, 0, 16)
                            .toUpper();
    }
    deep.prepend(0x401000);
    QTest::newRow("twenty entries at most") << deep << -1 << false << expected;
}

void CrashReporterTest::callStackWalksFrameRecords()
{
    QFETCH(QList<quint64>, returns);
    QFETCH(int, brokenAfter);
    QFETCH(bool, loopBack);
    QFETCH(QString, expected);
    FakeStack stack(returns, brokenAfter, loopBack);
    auto report = std::make_unique<ReportBuffer>();
    appendCallStack(report.get(), *stack.map, stack.firstFramePointer(), std::uintptr_t(returns.first()),
                    true);
    QCOMPARE(toQString(*report), expected);
}

void CrashReporterTest::crashLeavesReportAndDump_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("codeLine");
    QTest::addColumn<QString>("accessLine"); // exact, or a prefix ending in ":  "; empty: none
    QTest::addColumn<bool>("faultInHelper");
    QTest::addColumn<bool>("machineState");

    QTest::newRow("write to address 0")
        << "write-null" << SIGSEGV << "Exception Code:  0000000B (SIGSEGV, SEGV_MAPERR)"
        << "Write Address:  00000000" << true << true;
    QTest::newRow("read from address 0")
        << "read-null" << SIGSEGV << "Exception Code:  0000000B (SIGSEGV, SEGV_MAPERR)"
        << "Read Address:  00000000" << true << true;
    QTest::newRow("on a second thread")
        << "thread" << SIGSEGV << "Exception Code:  0000000B (SIGSEGV, SEGV_MAPERR)"
        << "Write Address:  00000000" << true << true;
    QTest::newRow("stack overflow") << "stack-overflow" << SIGSEGV
                                    << "Exception Code:  0000000B (SIGSEGV, SEGV_MAPERR)"
                                    << "Write Address:  " << true << true;
    QTest::newRow("division by zero")
        << "divide" << SIGFPE << "Exception Code:  00000008 (SIGFPE, FPE_INTDIV)"
        << "" << true << true;
    QTest::newRow("illegal instruction")
        << "illegal" << SIGILL << "Exception Code:  00000004 (SIGILL, ILL_ILLOPN)"
        << "" << true << true;
    QTest::newRow("mapped file too short")
        << "bus" << SIGBUS << "Exception Code:  00000007 (SIGBUS, BUS_ADRERR)"
        << "Read Address:  " << true << true;
    QTest::newRow("abort") << "abort" << SIGABRT << "Exception Code:  00000006 (SIGABRT, SI_TKILL)"
                           << "" << false << true;
    QTest::newRow("uncaught exception")
        << "terminate" << SIGABRT << "Exception Code:  00000006 (SIGABRT, std::terminate)"
        << "" << false << false;
}

void CrashReporterTest::crashLeavesReportAndDump()
{
    QFETCH(QString, mode);
    QFETCH(int, signal);
    QFETCH(QString, codeLine);
    QFETCH(QString, accessLine);
    QFETCH(bool, faultInHelper);
    QFETCH(bool, machineState);
#ifdef LUMORA_SANITIZE
    // An uncaught exception is reported from the terminate handler, on the stack it runs on:
    // the dump copies that stack, the reporter's own frames with the sanitizer's red zones
    // included, and AddressSanitizer's check of write() takes the copy for a fault.
    if (mode == QLatin1String("terminate"))
        QSKIP("the stack dump of the terminate handler holds red zones of the sanitizer build");
#endif

    QTemporaryDir data;
    const HelperRun run = runHelper(data.path(), mode);
    QVERIFY(run.crashed);
    QCOMPARE(run.signal, signal);

    QString text;
    QVERIFY(readReport(data.filePath("crashLog/crash.txt"), &text));
    QVERIFY(!text.startsWith(QLatin1Char('\r')));
    QVERIFY2(!text.contains(QRegularExpression("[^\\r]\\n|\\r[^\\n]")), "every line ends in CR LF");
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    const QString helper = helperPath();

    QVERIFY(lines.first().startsWith(systemName() + QStringLiteral(":  ")));
    QCOMPARE(lines.value(1), QStringLiteral("Process:  ") + helper);
    QCOMPARE(lines.value(2), QStringLiteral("Version:  %1.%2.%3 ")
                                 .arg(LUMORA_VERSION_MAJOR)
                                 .arg(LUMORA_VERSION_MINOR)
                                 .arg(LUMORA_VERSION_PATCH));
    QVERIFY2(lines.contains(codeLine), qPrintable(text));
    const QString access = lineStartingWith(lines, QStringLiteral("Write Address:"));
    const QString actualAccess =
        access.isEmpty() ? lineStartingWith(lines, QStringLiteral("Read Address:")) : access;
    if (accessLine.isEmpty())
        QVERIFY2(actualAccess.isEmpty(), qPrintable(actualAccess));
    else if (accessLine.endsWith(QStringLiteral(":  ")))
        QVERIFY2(actualAccess.startsWith(accessLine), qPrintable(text));
    else
        QCOMPARE(actualAccess, accessLine);

    if (faultInHelper) {
        QCOMPARE(lineStartingWith(lines, QStringLiteral("Module:")), QStringLiteral("Module:  ") + helper);
        QCOMPARE(lineStartingWith(lines, QStringLiteral("Date Modified:")),
                 QStringLiteral("Date Modified:  ") +
                     QFileInfo(helper).lastModified().toString(QStringLiteral("MM/dd/yyyy")));
        const qsizetype stackLine = lines.indexOf(QStringLiteral("Call Stack:"));
        QVERIFY(lines.value(stackLine + 1).endsWith(QStringLiteral("  ") + helper));
        QVERIFY(lines.value(stackLine + 2).endsWith(QStringLiteral("  Exception Offset")));
        // The walk reaches the faulting function's caller, in the same module.
        QVERIFY2(lines.value(stackLine + 3).startsWith(QStringLiteral("  +")), qPrintable(text));
    }
    // Frames inside the C library keep no frame-pointer chain, so an abort shows little more
    // than the faulting frame.
    QVERIFY2(callStackEntries(lines) >= (faultInHelper ? 2 : 1), qPrintable(text));

    const ParsedDump dump = readDump(data.filePath("crashLog/crash.dmp"));
    QVERIFY(dump.ok);
    QCOMPARE(dump.sequence, 1u);
    QCOMPARE(dump.signal, signal);
    QVERIFY(dump.stackStart != 0 && dump.stackLength > 0);
    QVERIFY(dump.modules.contains(QFile::encodeName(helper)));
    QVERIFY(!QFileInfo::exists(data.filePath("crashLog/crash.txt.part")));

    const QString instruction = lineStartingWith(lines, QStringLiteral("Instruction:"));
    if (machineState) {
        QVERIFY2(QRegularExpression("^Instruction: ( [0-9A-F?]{2}){16}$").match(instruction).hasMatch(),
                 qPrintable(instruction));
        QCOMPARE(dump.registers.size(), kCrashDumpRegisterCount);
        const QString rip = lineStartingWith(lines, QStringLiteral("RIP: "));
        QVERIFY2(rip.startsWith(QStringLiteral("RIP: %1  EFlags: ")
                                    .arg(dump.registers[16], 16, 16, QLatin1Char('0'))
                                    .toUpper()
                                    .replace(QStringLiteral("EFLAGS"), QStringLiteral("EFlags"))),
                 qPrintable(rip));
        QCOMPARE(lines.indexOf(QStringLiteral("Registers:")) + 1,
                 lines.indexOf(QRegularExpression("^RAX: .*")));
    } else {
        QVERIFY(instruction.isEmpty());
        QVERIFY(!lines.contains(QStringLiteral("Registers:")));
        QVERIFY(dump.registers.isEmpty());
    }
}

void CrashReporterTest::callStackStops_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("entries");
    QTest::newRow("deep recursion stops after twenty") << "deep" << kMaxCallStackEntries;
    // The faulting function, its caller, and the caller's caller, whose saved frame pointer was
    // overwritten with an unmapped address.
    QTest::newRow("broken chain stops at the unreadable frame") << "broken-chain" << 3;
}

void CrashReporterTest::callStackStops()
{
    QFETCH(QString, mode);
    QFETCH(int, entries);
    QTemporaryDir data;
    QVERIFY(runHelper(data.path(), mode).crashed);
    QString text;
    QVERIFY(readReport(data.filePath("crashLog/crash.txt"), &text));
    QCOMPARE(callStackEntries(text.split(QStringLiteral("\r\n"))), entries);
}

void CrashReporterTest::secondCrashReplacesFirst()
{
    QTemporaryDir data;
    QVERIFY(runHelper(data.path(), "write-null").crashed);
    QString first;
    QVERIFY(readReport(data.filePath("crashLog/crash.txt"), &first));
    QVERIFY(first.contains(QStringLiteral("Write Address:  00000000")));

    QVERIFY(runHelper(data.path(), "divide").crashed);
    QString second;
    QVERIFY(readReport(data.filePath("crashLog/crash.txt"), &second));
    QVERIFY(second.contains(QStringLiteral("(SIGFPE, FPE_INTDIV)")));
    QVERIFY(!second.contains(QStringLiteral("SIGSEGV")));
    QCOMPARE(second.count(QStringLiteral("Process:  ")), 1);
    QCOMPARE(readDump(data.filePath("crashLog/crash.dmp")).signal, SIGFPE);
}

void CrashReporterTest::overlappingCrashesAreWrittenOneAfterTheOther()
{
    // Two threads fault at nearly the same time. Whether the second one reaches its handler
    // before the first has finished is up to the scheduler, so the run is repeated until it
    // does; every run must leave one whole report and end with the signal of that report.
    bool overlapped = false;
    for (int attempt = 0; attempt < 10 && !overlapped; ++attempt) {
        QTemporaryDir data;
        const HelperRun run = runHelper(data.path(), "two-threads");
        QVERIFY(run.crashed);
        const ParsedDump dump = readDump(data.filePath("crashLog/crash.dmp"));
        QVERIFY(dump.ok);
        QVERIFY(dump.sequence == 1 || dump.sequence == 2);
        QCOMPARE(dump.signal, run.signal);
        QString text;
        QVERIFY(readReport(data.filePath("crashLog/crash.txt"), &text));
        QCOMPARE(text.count(QStringLiteral("Exception Code:")), 1);
        QCOMPARE(text.count(QStringLiteral("Call Stack:")), 1);
        QVERIFY(text.contains(run.signal == SIGFPE ? QStringLiteral("(SIGFPE, FPE_INTDIV)")
                                                   : QStringLiteral("Write Address:  00000000")));
        // The second crash waited for the first report and replaced it.
        overlapped = dump.sequence == 2;
    }
    QVERIFY(overlapped);
}

void CrashReporterTest::longReportIsCutAt8000Characters()
{
    // A copy of the helper deep in a folder tree: its path appears in the process line, the
    // module line and the call stack, together far more than the report may hold.
    QTemporaryDir data;
    QString folder = data.path();
    while (folder.size() < 3600)
        folder += QLatin1Char('/') + QString(200, QLatin1Char('d'));
    folder += QStringLiteral("/水印");
    QVERIFY(QDir().mkpath(folder));
    const QString copy = folder + QStringLiteral("/CrashHelper");
    QVERIFY(QFile::copy(helperPath(), copy));

    QVERIFY(runHelper(data.path(), "write-null", copy).crashed);
    QString text;
    qint64 characters = 0;
    QVERIFY(readReport(data.filePath("crashLog/crash.txt"), &text, &characters));
    QCOMPARE(characters, qint64(ReportBuffer::kCapacity));
    QCOMPARE(QFileInfo(data.filePath("crashLog/crash.txt")).size(), qint64(2 * ReportBuffer::kCapacity));
    QVERIFY(text.split(QStringLiteral("\r\n")).contains(QStringLiteral("Process:  ") + copy));
    QVERIFY(text.contains(QStringLiteral("Module:  ") + copy));
}

QTEST_GUILESS_MAIN(CrashReporterTest)
#include "tst_CrashReporter.moc"
