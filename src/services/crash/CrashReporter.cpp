#include "services/crash/CrashReporter.h"

#include "services/crash/CrashContext.h"
#include "services/crash/CrashDump.h"
#include "services/crash/CrashEnvironment.h"
#include "services/crash/CrashReport.h"
#include "services/crash/ModuleMap.h"
#include "services/crash/ReportBuffer.h"
#include "services/crash/SignalSafeFile.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t kPathCapacity = CrashEnvironment::kPathCapacity;

// Everything the handler needs, allocated at installation so that the handler allocates nothing.
struct ReporterState
{
    CrashEnvironment environment;
    ModuleMap map;
    ReportBuffer report;
    char16_t reportBytes[ReportBuffer::kCapacity] = {};
    char folder[kPathCapacity] = {};
    char reportPath[kPathCapacity] = {};
    char reportTemporaryPath[kPathCapacity] = {};
    char dumpPath[kPathCapacity] = {};
    char dumpTemporaryPath[kPathCapacity] = {};
    QString folderName;
};

enum WriterState : int
{
    WriterFree = 0,
    WriterBusy = 1,
    WriterEnding = 2
};

std::atomic<ReporterState*> g_state{nullptr};
std::atomic<int> g_writer{WriterFree};
std::atomic<int> g_waiting{0};
std::atomic<std::uint32_t> g_sequence{0};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<ReporterState*>::is_always_lock_free);

// The alternate signal stack of one thread, released when the thread ends.
struct AlternateStack
{
    void* memory = nullptr;
    std::size_t size = 0;

    ~AlternateStack()
    {
        if (!memory)
            return;
        stack_t disable = {};
        disable.ss_flags = SS_DISABLE;
        ::sigaltstack(&disable, nullptr);
        ::munmap(memory, size);
    }
};

thread_local AlternateStack t_alternateStack;

void sleepBriefly()
{
    struct timespec pause = {0, 1000 * 1000};
    ::nanosleep(&pause, nullptr);
}

[[noreturn]] void waitForTheEnd()
{
    for (;;) {
        struct timespec pause = {1, 0};
        ::nanosleep(&pause, nullptr);
    }
}

bool copyPath(char* target, const QByteArray& path)
{
    if (static_cast<std::size_t>(path.size()) >= kPathCapacity)
        return false;
    std::memcpy(target, path.constData(), static_cast<std::size_t>(path.size()));
    target[path.size()] = 0;
    return true;
}

void writeReportFile(ReporterState& state)
{
    const int fd = createReplacementFile(state.reportTemporaryPath);
    if (fd < 0)
        return;
    // UTF-16LE with the terminating NUL.
    const std::size_t units = state.report.length() + 1;
    const char16_t* text = state.report.data();
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(state.reportBytes, text, units * sizeof(char16_t));
    } else {
        for (std::size_t i = 0; i < units; ++i)
            state.reportBytes[i] = static_cast<char16_t>((text[i] >> 8) | (text[i] << 8));
    }
    if (writeAll(fd, state.reportBytes, units * sizeof(char16_t)))
        commitReplacementFile(fd, state.reportTemporaryPath, state.reportPath);
    else
        discardReplacementFile(fd, state.reportTemporaryPath);
}

void writeDumpFile(ReporterState& state, const CrashContext& context, std::uint32_t sequence)
{
    const int fd = createReplacementFile(state.dumpTemporaryPath);
    if (fd < 0)
        return;
    const auto stackPointer = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (writeCrashDump(fd, context, sequence, state.map, stackPointer))
        commitReplacementFile(fd, state.dumpTemporaryPath, state.dumpPath);
    else
        discardReplacementFile(fd, state.dumpTemporaryPath);
}

// Writes report and dump for one crash, one crash at a time. Returns true when the caller is
// the last crash in progress and must end the process; false when another crash is waiting to
// write, which will end it.
bool writeCrashFilesSerialised(const CrashContext& context)
{
    g_waiting.fetch_add(1);
    for (;;) {
        int expected = WriterFree;
        if (g_writer.compare_exchange_strong(expected, WriterBusy))
            break;
        sleepBriefly();
    }
    const std::uint32_t sequence = g_sequence.fetch_add(1) + 1;

    if (ReporterState* state = g_state.load()) {
        // The folder is made at installation; make it again in case it was removed since.
        ::mkdir(state->folder, 0755);
        state->map.load();
        BuildCrashReport(&context, state->environment, state->map, &state->report);
        writeReportFile(*state);
        writeDumpFile(*state, context, sequence);
    }

    // Decide under the "ending" state: a crash that registers after this point finds the writer
    // ending and waits for the process to end.
    g_writer.store(WriterEnding);
    if (g_waiting.fetch_sub(1) - 1 > 0) {
        g_writer.store(WriterFree);
        return false;
    }
    return true;
}

void restoreDefaultAction(int signal)
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
}

[[noreturn]] void onTerminate()
{
    CrashContext context;
    context.signal = SIGABRT;
    context.origin = "std::terminate";
    if (!writeCrashFilesSerialised(context))
        waitForTheEnd();
    restoreDefaultAction(SIGABRT);
    sigset_t abortOnly;
    sigemptyset(&abortOnly);
    sigaddset(&abortOnly, SIGABRT);
    ::pthread_sigmask(SIG_UNBLOCK, &abortOnly, nullptr);
    ::raise(SIGABRT);
    ::_exit(128 + SIGABRT);
}

} // namespace

void CrashFilter(int signal, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    CrashContext crash;
    crash.signal = signal;
    if (info) {
        crash.code = info->si_code;
        crash.faultAddress = reinterpret_cast<std::uintptr_t>(info->si_addr);
    }
    crash.machine = MachineState::fromSignalContext(context);
    if (!writeCrashFilesSerialised(crash))
        waitForTheEnd();
    // The signal stays blocked until the handler returns; it is then delivered with the
    // default action. A fault that is not re-delivered recurs when its instruction runs again.
    restoreDefaultAction(signal);
    ::raise(signal);
    errno = savedErrno;
}

bool installCrashStackForThread()
{
    if (t_alternateStack.memory)
        return true;
    const long page = ::sysconf(_SC_PAGESIZE);
    const long minimum = ::sysconf(_SC_SIGSTKSZ);
    const std::size_t usable =
        std::max<std::size_t>(64 * 1024, minimum > 0 ? static_cast<std::size_t>(minimum) : 0);
    const std::size_t size = usable + static_cast<std::size_t>(page);
    void* memory =
        ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (memory == MAP_FAILED)
        return false;
    // A guard page below the stack turns an overflow of the handler into a fault, not corruption.
    ::mprotect(memory, static_cast<std::size_t>(page), PROT_NONE);
    stack_t stack = {};
    stack.ss_sp = static_cast<char*>(memory) + page;
    stack.ss_size = usable;
    if (::sigaltstack(&stack, nullptr) != 0) {
        ::munmap(memory, size);
        return false;
    }
    t_alternateStack.memory = memory;
    t_alternateStack.size = size;
    return true;
}

bool InstallCrashReporter(const QString& dataFolder)
{
    const QString folder = QDir(dataFolder).filePath(QStringLiteral("crashLog"));
    QDir().mkpath(folder);

    ReporterState* state = g_state.load();
    const bool firstInstall = state == nullptr;
    if (firstInstall) {
        state = new ReporterState;
        CrashEnvironment::capture(&state->environment);
    }
    const QByteArray folderBytes = QFile::encodeName(folder);
    const bool pathsFit = copyPath(state->folder, folderBytes) &&
                          copyPath(state->reportPath, folderBytes + "/crash.txt") &&
                          copyPath(state->reportTemporaryPath, folderBytes + "/crash.txt.part") &&
                          copyPath(state->dumpPath, folderBytes + "/crash.dmp") &&
                          copyPath(state->dumpTemporaryPath, folderBytes + "/crash.dmp.part");
    if (!pathsFit) {
        if (firstInstall)
            delete state;
        return false;
    }
    state->folderName = folder;
    if (!firstInstall)
        return true;
    g_state.store(state);

    installCrashStackForThread();
    struct sigaction action = {};
    action.sa_sigaction = CrashFilter;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : kCrashSignals)
        sigaddset(&action.sa_mask, signal);
    bool installed = true;
    for (int signal : kCrashSignals)
        installed = ::sigaction(signal, &action, nullptr) == 0 && installed;
    std::set_terminate(onTerminate);
    return installed;
}

QString crashFolder()
{
    const ReporterState* state = g_state.load();
    return state ? state->folderName : QString();
}

QString crashReportPath()
{
    const QString folder = crashFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/crash.txt");
}

QString crashDumpPath()
{
    const QString folder = crashFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/crash.dmp");
}
