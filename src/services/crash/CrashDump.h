#pragma once

#include <cstdint>

struct CrashContext;
class ModuleMap;

// The crash dump ("crash.dmp"): a small binary file, little-endian on x86-64.
//
//   header   : 8 bytes "LPCRASH\0", u32 format version (1), u32 sequence number of the crash in
//              the process (1 for the first), i32 signal, i32 code, u64 accessed address
//   sections : u32 tag, u32 reserved (0), u64 payload length, payload
//     registers (tag 1): 20 u64 values RAX RBX RCX RDX RSI RDI RSP RBP R8-R15 RIP EFlags,
//                        trap number, error code; present when the crash has a machine context
//     stack     (tag 2): u64 address of the first byte, then the raw bytes of the crashing
//                        thread's stack from just below its stack pointer (the 128-byte red zone)
//                        upward, at most kMaxStackBytes
//     modules   (tag 3): the process's memory map in the /proc/self/maps text format
enum CrashDumpSection : std::uint32_t
{
    CrashDumpRegisters = 1,
    CrashDumpStack = 2,
    CrashDumpModules = 3,
};

constexpr char kCrashDumpMagic[8] = {'L', 'P', 'C', 'R', 'A', 'S', 'H', 0};
constexpr std::uint32_t kCrashDumpFormatVersion = 1;
constexpr std::uint64_t kMaxStackBytes = 64 * 1024;
constexpr int kCrashDumpRegisterCount = 20;

// Writes the dump to an open file. Safe inside a signal handler. stackPointer is where the
// stack capture starts when the context has no machine state.
bool writeCrashDump(int fd, const CrashContext& context, std::uint32_t sequence, const ModuleMap& map,
                    std::uintptr_t stackPointer);
