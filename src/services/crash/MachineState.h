#pragma once

#include <cstdint>

// The registers of a thread at the moment a signal was raised, taken from the signal's
// machine context. Only x86-64 is decoded; elsewhere the state stays invalid and the report
// leaves the register lines out.
struct MachineState
{
    bool valid = false;
    std::uint64_t rax = 0, rbx = 0, rcx = 0, rdx = 0;
    std::uint64_t rsi = 0, rdi = 0, rsp = 0, rbp = 0;
    std::uint64_t r8 = 0, r9 = 0, r10 = 0, r11 = 0;
    std::uint64_t r12 = 0, r13 = 0, r14 = 0, r15 = 0;
    std::uint64_t rip = 0, eflags = 0;
    std::uint64_t trapNumber = 0; // the processor's exception vector; 14 is a page fault
    std::uint64_t errorCode = 0;  // for a page fault, bit 1 set means a write

    // Decodes a ucontext_t given as the third argument of an SA_SIGINFO handler.
    static MachineState fromSignalContext(const void* ucontext);
};
