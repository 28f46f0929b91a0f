#include "services/crash/CrashDump.h"

#include "services/crash/CrashContext.h"
#include "services/crash/ModuleMap.h"
#include "services/crash/SignalSafeFile.h"

#include <cstring>

namespace {

constexpr std::uintptr_t kRedZone = 128;
// After a stack overflow the stack pointer lies in the guard gap below the stack (a megabyte by
// default); the stack's data starts at the next region up.
constexpr std::uintptr_t kGuardGap = 1024 * 1024;

struct DumpHeader
{
    char magic[8];
    std::uint32_t formatVersion;
    std::uint32_t sequence;
    std::int32_t signal;
    std::int32_t code;
    std::uint64_t faultAddress;
};
static_assert(sizeof(DumpHeader) == 32);

struct SectionHeader
{
    std::uint32_t tag;
    std::uint32_t reserved;
    std::uint64_t length;
};
static_assert(sizeof(SectionHeader) == 16);

bool writeSection(int fd, std::uint32_t tag, const void* payload, std::uint64_t length)
{
    const SectionHeader header = {tag, 0, length};
    return writeAll(fd, &header, sizeof header) && writeAll(fd, payload, static_cast<std::size_t>(length));
}

// The readable bytes from start upward, through adjacent readable regions, at most limit.
std::uint64_t readableSpan(const ModuleMap& map, std::uintptr_t start, std::uint64_t limit)
{
    std::uintptr_t end = start;
    while (end - start < limit) {
        const MappedRegion* region = map.regionOf(end);
        if (!region || !region->readable)
            break;
        end = region->end;
    }
    const std::uint64_t span = end - start;
    return span < limit ? span : limit;
}

} // namespace

bool writeCrashDump(int fd, const CrashContext& context, std::uint32_t sequence, const ModuleMap& map,
                    std::uintptr_t stackPointer)
{
    DumpHeader header = {};
    std::memcpy(header.magic, kCrashDumpMagic, sizeof header.magic);
    header.formatVersion = kCrashDumpFormatVersion;
    header.sequence = sequence;
    header.signal = context.signal;
    header.code = context.code;
    header.faultAddress = context.faultAddress;
    if (!writeAll(fd, &header, sizeof header))
        return false;

    const MachineState& m = context.machine;
    if (m.valid) {
        const std::uint64_t registers[kCrashDumpRegisterCount] = {
            m.rax, m.rbx, m.rcx, m.rdx, m.rsi, m.rdi, m.rsp, m.rbp,    m.r8,         m.r9,
            m.r10, m.r11, m.r12, m.r13, m.r14, m.r15, m.rip, m.eflags, m.trapNumber, m.errorCode};
        if (!writeSection(fd, CrashDumpRegisters, registers, sizeof registers))
            return false;
        stackPointer = static_cast<std::uintptr_t>(m.rsp);
    }

    // Include the red zone below the stack pointer, where a leaf function keeps its locals.
    std::uintptr_t stackStart = stackPointer;
    if (stackPointer > kRedZone && map.isReadable(stackPointer - kRedZone, kRedZone)) {
        stackStart = stackPointer - kRedZone;
    } else if (!map.isReadable(stackPointer, 1)) {
        const MappedRegion* above = map.regionAtOrAbove(stackPointer);
        if (above && above->readable && above->start - stackPointer <= kGuardGap)
            stackStart = above->start;
    }
    const std::uint64_t stackLength = stackPointer ? readableSpan(map, stackStart, kMaxStackBytes) : 0;
    const std::uint64_t start64 = stackStart;
    const SectionHeader stackHeader = {CrashDumpStack, 0, sizeof start64 + stackLength};
    if (!writeAll(fd, &stackHeader, sizeof stackHeader) || !writeAll(fd, &start64, sizeof start64) ||
        !writeAll(fd, reinterpret_cast<const void*>(stackStart), static_cast<std::size_t>(stackLength)))
        return false;

    return writeSection(fd, CrashDumpModules, map.text(), map.textLength());
}
