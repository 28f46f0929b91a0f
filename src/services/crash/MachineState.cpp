#include "services/crash/MachineState.h"

#include <ucontext.h>

MachineState MachineState::fromSignalContext(const void* ucontext)
{
    MachineState state;
#if defined(__x86_64__)
    if (!ucontext)
        return state;
    const auto* context = static_cast<const ucontext_t*>(ucontext);
    const greg_t* gregs = context->uc_mcontext.gregs;
    auto reg = [gregs](int index) { return static_cast<std::uint64_t>(gregs[index]); };
    state.rax = reg(REG_RAX);
    state.rbx = reg(REG_RBX);
    state.rcx = reg(REG_RCX);
    state.rdx = reg(REG_RDX);
    state.rsi = reg(REG_RSI);
    state.rdi = reg(REG_RDI);
    state.rsp = reg(REG_RSP);
    state.rbp = reg(REG_RBP);
    state.r8 = reg(REG_R8);
    state.r9 = reg(REG_R9);
    state.r10 = reg(REG_R10);
    state.r11 = reg(REG_R11);
    state.r12 = reg(REG_R12);
    state.r13 = reg(REG_R13);
    state.r14 = reg(REG_R14);
    state.r15 = reg(REG_R15);
    state.rip = reg(REG_RIP);
    state.eflags = reg(REG_EFL);
    state.trapNumber = reg(REG_TRAPNO);
    state.errorCode = reg(REG_ERR);
    state.valid = true;
#else
    (void)ucontext;
#endif
    return state;
}
