#pragma once

#include <cstdint>

class ModuleMap;
class ReportBuffer;

// Walks a frame-pointer chain and appends at most 20 entries to the report, grouped by module:
// a "base  path" line whenever the module changes, then "  +offset" per entry. Every record is
// checked against the memory map before it is read, so a broken chain ends the walk instead of
// faulting. Safe inside a signal handler.
//
// framePointer is the first record's saved frame pointer and returnAddress its return
// address. When startsAtException is true the first entry is the faulting instruction and is
// marked "  Exception Offset"; the other entries show the five stack slots that follow the
// return address.
void appendCallStack(ReportBuffer* report, const ModuleMap& map, std::uintptr_t framePointer,
                     std::uintptr_t returnAddress, bool startsAtException);

// The same walk from a frame record in memory, e.g. __builtin_frame_address(0) of the caller.
void appendCallStackFromRecord(ReportBuffer* report, const ModuleMap& map, std::uintptr_t record);

constexpr int kMaxCallStackEntries = 20;
