#include "services/crash/CrashReport.h"

#include "services/crash/CallStack.h"
#include "services/crash/CrashContext.h"
#include "services/crash/CrashEnvironment.h"
#include "services/crash/ModuleMap.h"
#include "services/crash/ReportBuffer.h"

#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

const char* signalCodeName(int signal, int code)
{
    // Signal 0: a code any signal may carry (how it was sent).
    struct Entry
    {
        int signal;
        int code;
        const char* name;
    };
    static constexpr Entry kCodes[] = {
        {0, SI_USER, "SI_USER"},
        {0, SI_TKILL, "SI_TKILL"},
        {0, SI_QUEUE, "SI_QUEUE"},
        {SIGSEGV, SEGV_MAPERR, "SEGV_MAPERR"},
        {SIGSEGV, SEGV_ACCERR, "SEGV_ACCERR"},
        {SIGBUS, BUS_ADRALN, "BUS_ADRALN"},
        {SIGBUS, BUS_ADRERR, "BUS_ADRERR"},
        {SIGBUS, BUS_OBJERR, "BUS_OBJERR"},
        {SIGFPE, FPE_INTDIV, "FPE_INTDIV"},
        {SIGFPE, FPE_INTOVF, "FPE_INTOVF"},
        {SIGFPE, FPE_FLTDIV, "FPE_FLTDIV"},
        {SIGFPE, FPE_FLTINV, "FPE_FLTINV"},
        {SIGILL, ILL_ILLOPC, "ILL_ILLOPC"},
        {SIGILL, ILL_ILLOPN, "ILL_ILLOPN"},
        {SIGILL, ILL_PRVOPC, "ILL_PRVOPC"},
    };
    for (const Entry& entry : kCodes) {
        if ((entry.signal == 0 || entry.signal == signal) && entry.code == code)
            return entry.name;
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
        if (map.isReadable(address, 1))
            report->appendHex(*reinterpret_cast<const unsigned char*>(address), 2);
        else
            report->appendUtf8("??");
    }
    report->beginLine();
    report->appendUtf8("Registers:");
    // Four to a line.
    const std::pair<const char*, std::uint64_t> registers[] = {
        {"RAX", m.rax}, {"RBX", m.rbx}, {"RCX", m.rcx}, {"RDX", m.rdx}, {"RSI", m.rsi}, {"RDI", m.rdi},
        {"RSP", m.rsp}, {"RBP", m.rbp}, {"R8 ", m.r8},  {"R9 ", m.r9},  {"R10", m.r10}, {"R11", m.r11},
        {"R12", m.r12}, {"R13", m.r13}, {"R14", m.r14}, {"R15", m.r15},
    };
    for (std::size_t i = 0; i < std::size(registers); ++i) {
        if (i % 4 == 0)
            report->beginLine();
        appendRegister(report, registers[i].first, registers[i].second, i % 4 == 0);
    }
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
    else if (const char* codeName = signalCodeName(context.signal, context.code))
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
    report->clear();
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
