#pragma once

#include "services/crash/MachineState.h"

#include <cstdint>

// What is known about one crash: the signal, its code and address, and the registers when the
// crash came with a machine context (a std::terminate report has none).
struct CrashContext
{
    int signal = 0;
    int code = 0;                    // si_code; positive values were raised by the kernel
    std::uintptr_t faultAddress = 0; // si_addr: the address accessed by a faulting instruction
    MachineState machine;
    const char* origin = nullptr; // names a crash that no signal raised, e.g. "std::terminate"
};
