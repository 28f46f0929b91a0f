#include "services/crash/CrashReport.h"

#include "services/crash/CallStack.h"
#include "services/crash/CrashContext.h"
#include "services/crash/CrashEnvironment.h"
#include "services/crash/ModuleMap.h"
#include "services/crash/ReportBuffer.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t kPageFaultTrap = 14;
constexpr std::uint64_t kWriteAccessBit = 0x2;
constexpr int kInstructionBytes = 16;

const char* signalName(int signal)
{
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

const char* CodeName(int signal, int code)
{
    switch (code) {
    case SI_USER:
        return "SI_USER";
    case SI_TKILL:
        return "SI_TKILL";
    case SI_QUEUE:
        return "SI_QUEUE";
    default:
        break;
    }
    if (signal == SIGSEGV) {
        if (code == SEGV_MAPERR)
            return "SEGV_MAPERR";
        if (code == SEGV_ACCERR)
            return "SEGV_ACCERR";
    } else if (signal == SIGBUS) {
        if (code == BUS_ADRALN)
            return "BUS_ADRALN";
        if (code == BUS_ADRERR)
            return "BUS_ADRERR";
        if (code == BUS_OBJERR)
            return "BUS_OBJERR";
    } else if (signal == SIGFPE) {
        if (code == FPE_INTDIV)
            return "FPE_INTDIV";
        if (code == FPE_INTOVF)
            return "FPE_INTOVF";
        if (code == FPE_FLTDIV)
            return "FPE_FLTDIV";
        if (code == FPE_FLTINV)
            return "FPE_FLTINV";
    } else if (signal == SIGILL) {
        if (code == ILL_ILLOPC)
            return "ILL_ILLOPC";
        if (code == ILL_ILLOPN)
            return "ILL_ILLOPN";
        if (code == ILL_PRVOPC)
            return "ILL_PRVOPC";
    }
    return nullptr;
}

// Month, day and year of a time given in seconds since the epoch, in the proleptic Gregorian
// calendar (days-to-civil conversion; no library call, so it is safe in a signal handler).
void civilDate(long long seconds, int* month, int* day, long long* year)
{
    long long days = seconds / 86400;
    if (seconds % 86400 < 0)
        --days;
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long monthIndex = (5 * dayOfYear + 2) / 153;
    *day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    *month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    *year = yearOfEra + era * 400 + (*month <= 2 ? 1 : 0);
}

void appendModuleDate(ReportBuffer* report, const ModuleInfo& module, long utcOffsetSeconds)
{
    char path[CrashEnvironment::kPathCapacity];
    if (module.pathLength >= sizeof path)
        return;
    std::memcpy(path, module.path, module.pathLength);
    path[module.pathLength] = 0;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat info = {};
    const bool ok = ::fstat(fd, &info) == 0;
    ::close(fd);
    if (!ok)
        return;
    int month = 0;
    int day = 0;
    long long year = 0;
    civilDate(static_cast<long long>(info.st_mtime) + utcOffsetSeconds, &month, &day, &year);
    report->beginLine();
    report->appendUtf8("Date Modified:  ");
    report->appendDecimal(month, 2);
    report->appendUtf8("/");
    report->appendDecimal(day, 2);
    report->appendUtf8("/");
    report->appendDecimal(year);
}

void appendRegister(ReportBuffer* report, const char* label, std::uint64_t value, bool first = false)
{
    if (!first)
        report->appendUtf8("  ");
    report->appendUtf8(label);
    report->appendUtf8(": ");
    report->appendHex(value, 16);
}

void appendMachineLines(ReportBuffer* report, const MachineState& m, const ModuleMap& map)
{
    report->beginLine();
    report->appendUtf8("Instruction: ");
    for (int i = 0; i < kInstructionBytes; ++i) {
        const std::uintptr_t address = static_cast<std::uintptr_t>(m.rip) + static_cast<std::uintptr_t>(i);
        report->appendUtf8(" ");
        if (map.IsReadable(address, 1))
            report->appendHex(*reinterpret_cast<const unsigned char*>(address), 2);
        else
            report->appendUtf8("??");
    }
    report->beginLine();
    report->appendUtf8("Registers:");
    report->beginLine();
    appendRegister(report, "RAX", m.rax, true);
    appendRegister(report, "RBX", m.rbx);
    appendRegister(report, "RCX", m.rcx);
    appendRegister(report, "RDX", m.rdx);
    report->beginLine();
    appendRegister(report, "RSI", m.rsi, true);
    appendRegister(report, "RDI", m.rdi);
    appendRegister(report, "RSP", m.rsp);
    appendRegister(report, "RBP", m.rbp);
    report->beginLine();
    appendRegister(report, "R8 ", m.r8, true);
    appendRegister(report, "R9 ", m.r9);
    appendRegister(report, "R10", m.r10);
    appendRegister(report, "R11", m.r11);
    report->beginLine();
    appendRegister(report, "R12", m.r12, true);
    appendRegister(report, "R13", m.r13);
    appendRegister(report, "R14", m.r14);
    appendRegister(report, "R15", m.r15);
    report->beginLine();
    appendRegister(report, "RIP", m.rip, true);
    report->appendUtf8("  EFlags: ");
    report->appendHex(m.eflags, 8);
}

void appendExceptionLines(ReportBuffer* report, const CrashContext& context,
                          const CrashEnvironment& environment, const ModuleMap& map)
{
    const MachineState& machine = context.machine;
    if (machine.valid) {
        ModuleInfo module;
        if (map.FindModuleOfAddress(static_cast<std::uintptr_t>(machine.rip), &module)) {
            report->beginLine();
            report->appendUtf8("Module:  ");
            report->appendUtf8(module.path, module.pathLength);
            appendModuleDate(report, module, environment.utcOffsetSeconds);
        } else {
            report->beginLine();
            report->appendUtf8("Exception Addr:  ");
            report->appendHex(machine.rip, 8);
        }
    }

    report->beginLine();
    report->appendUtf8("Exception Code:  ");
    report->appendHex(static_cast<std::uint32_t>(context.signal), 8);
    report->appendUtf8(" (");
    report->appendUtf8(signalName(context.signal));
    report->appendUtf8(", ");
    if (context.origin)
        report->appendUtf8(context.origin);
    else if (const char* codeName = CodeName(context.signal, context.code))
        report->appendUtf8(codeName);
    else
        report->appendDecimal(context.code);
    report->appendUtf8(")");

    // The kind of access is known only for a page fault that the kernel raised.
    const bool accessFault = (context.signal == SIGSEGV || context.signal == SIGBUS) && context.code > 0;
    if (accessFault && machine.valid && machine.trapNumber == kPageFaultTrap) {
        report->beginLine();
        report->appendUtf8((machine.errorCode & kWriteAccessBit) ? "Write" : "Read");
        report->appendUtf8(" Address:  ");
        report->appendHex(context.faultAddress, 8);
    }

    if (machine.valid)
        appendMachineLines(report, machine, map);
}

} // namespace

__attribute__((noinline)) void BuildCrashReport(const CrashContext* context,
                                                const CrashEnvironment& environment, const ModuleMap& map,
                                                ReportBuffer* report)
{
    report->Clear();
    report->beginLine();
    report->appendUtf8(environment.systemLine);
    report->beginLine();
    report->appendUtf8("Process:  ");
    report->appendUtf8(environment.processPath);
    report->beginLine();
    report->appendUtf8("Version:  ");
    report->appendDecimal(environment.version[0]);
    report->appendUtf8(".");
    report->appendDecimal(environment.version[1]);
    report->appendUtf8(".");
    report->appendDecimal(environment.version[2]);
    report->appendUtf8(" ");

    if (context)
        appendExceptionLines(report, *context, environment, map);

    report->beginLine();
    report->appendUtf8("Call Stack:");
    if (context && context->machine.valid) {
        appendCallStack(report, map, static_cast<std::uintptr_t>(context->machine.rbp),
                        static_cast<std::uintptr_t>(context->machine.rip), true);
    } else {
        appendCallStackFromRecord(report, map, reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)));
    }
}
