#pragma once

#include <cstddef>

struct CrashContext;
struct CrashEnvironment;
class ModuleMap;
class ReportBuffer;

// Builds the plain-text crash report, one item per line:
//   <system>:  <kernel release>, <distribution>, <machine>
//   Process:  <executable path>
//   Version:  <major>.<minor>.<build> (with a trailing blank)
// and, for a crash with a signal context:
//   Module:  <module of the faulting instruction> and Date Modified:  MM/DD/YYYY,
//            or Exception Addr:  <instruction address> when no module contains it
//   Exception Code:  <signal number, 8 hex digits> (<signal name>, <code>)
//   Write Address:  / Read Address:  <accessed address>   (page faults only)
//   Instruction:  16 bytes at the faulting instruction ("??" for unreadable bytes)
//   Registers:  the x86-64 general registers, RIP and EFlags
// then "Call Stack:" and the frame walk. Without a context (nullptr) only the first three lines
// and the call stack from the caller's frame are written; a context without machine state (a
// std::terminate report) adds the exception code. The text never begins with a line break.
//
// Uses no allocation and only async-signal-safe calls; the map must be loaded by the caller.
void BuildCrashReport(const CrashContext* context, const CrashEnvironment& environment, const ModuleMap& map,
                      ReportBuffer* report);
