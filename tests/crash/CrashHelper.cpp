// A program that installs the crash reporter and then crashes in the way named on its command
// line: CrashHelper <data folder> <mode>. The crash test runs it and reads what it leaves.

#include "services/crash/CrashReporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Opaque to the optimiser, so that the faults below are real instructions.
volatile std::uintptr_t g_nullAddress = 0;
volatile int g_zero = 0;
volatile int g_sink = 0;

// The faulting functions keep a local on the stack: the compiler leaves out the frame record of
// a function that uses no stack at all, even when frame pointers are asked for.
__attribute__((noinline)) void writeToNull()
{
    volatile int value = 42;
    *reinterpret_cast<volatile int*>(g_nullAddress) = value;
}

__attribute__((noinline)) void readFromNull()
{
    volatile int value = *reinterpret_cast<volatile int*>(g_nullAddress);
    g_sink = value;
}

__attribute__((noinline)) void divideByZero()
{
    volatile int value = 10;
    g_sink = value / g_zero;
}

__attribute__((noinline)) void illegalInstruction()
{
    volatile int value = 1;
    if (value)
        __builtin_trap();
}

__attribute__((noinline)) void readPastEndOfFile(const QString& folder)
{
    // Touching a mapped page beyond the end of a file raises SIGBUS.
    const QByteArray path = QFile::encodeName(folder + "/empty.bin");
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    void* page = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0);
    g_sink = *static_cast<volatile const char*>(page);
}

__attribute__((noinline)) int recurse(int depth)
{
    volatile char frame[256];
    frame[0] = static_cast<char>(depth);
    if (depth == 0) {
        writeToNull();
        return 0;
    }
    return recurse(depth - 1) + frame[0];
}

__attribute__((noinline)) int recurseForever(int depth)
{
    volatile char frame[1024];
    frame[depth % 1024] = 1;
    if (depth < 0) // never: the stack runs out first
        return 0;
    return recurseForever(depth + 1) + frame[0];
}

__attribute__((noinline)) void crashWithBrokenChain()
{
    // The caller's saved frame pointer becomes an address that is never mapped, so the walk
    // must stop after this frame and its caller.
    *static_cast<void**>(__builtin_frame_address(0)) = reinterpret_cast<void*>(0x10);
    writeToNull();
}

__attribute__((noinline)) void throwUncaught()
{
    throw std::runtime_error("uncaught");
}

void crashTwoThreadsAtOnce(const QString& folder)
{
    // The first thread faults; the second faults as soon as the first one's report is being
    // written, so that the two crashes overlap.
    const QByteArray partial = QFile::encodeName(folder + "/crashLog/crash.txt.part");
    std::thread second([partial] {
        installCrashStackForThread();
        struct stat info;
        while (::stat(partial.constData(), &info) != 0) {
        }
        divideByZero();
    });
    std::thread first([] {
        installCrashStackForThread();
        writeToNull();
    });
    first.join();
    second.join();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: CrashHelper <data folder> <mode>\n");
        return 2;
    }
    const struct rlimit noCore = {0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);

    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QByteArray mode = argv[2];
    if (!InstallCrashReporter(folder)) {
        std::fprintf(stderr, "cannot install the crash reporter\n");
        return 3;
    }

    if (mode == "write-null") {
        writeToNull();
    } else if (mode == "read-null") {
        readFromNull();
    } else if (mode == "divide") {
        divideByZero();
    } else if (mode == "illegal") {
        illegalInstruction();
    } else if (mode == "bus") {
        readPastEndOfFile(folder);
    } else if (mode == "abort") {
        std::abort();
    } else if (mode == "terminate") {
        throwUncaught();
    } else if (mode == "thread") {
        std::thread worker([] {
            installCrashStackForThread();
            writeToNull();
        });
        worker.join();
    } else if (mode == "deep") {
        g_sink = recurse(40);
    } else if (mode == "stack-overflow") {
        g_sink = recurseForever(0);
    } else if (mode == "broken-chain") {
        crashWithBrokenChain();
    } else if (mode == "two-threads") {
        crashTwoThreadsAtOnce(folder);
    } else {
        std::fprintf(stderr, "unknown mode\n");
        return 2;
    }
    return 0;
}
