#include "services/crash/CallStack.h"

#include "services/crash/ModuleMap.h"
#include "services/crash/ReportBuffer.h"

namespace {

// A frame record on x86-64 and AArch64: the caller's frame pointer, then the return address.
constexpr std::size_t kRecordSize = 2 * sizeof(std::uintptr_t);
constexpr int kArgumentSlots = 5;

// Reads a word of a stack the walk has checked to be mapped. Stack words may lie in the
// sanitizers' red zones, which is no fault here, so this read is not instrumented.
__attribute__((no_sanitize("address", "undefined"))) std::uintptr_t readWord(std::uintptr_t address)
{
    return *reinterpret_cast<const std::uintptr_t*>(address);
}

// record is the address of the first frame record, or 0 when its values are synthetic.
void walk(ReportBuffer* report, const ModuleMap& map, std::uintptr_t record, std::uintptr_t framePointer,
          std::uintptr_t returnAddress, bool startsAtException)
{
    std::uintptr_t previousBase = 0;
    bool havePrevious = false;
    for (int entry = 0; entry < kMaxCallStackEntries; ++entry) {
        if (!map.isExecutable(returnAddress))
            break;
        ModuleInfo module;
        if (map.FindModuleOfAddress(returnAddress, &module)) {
            if (!havePrevious || module.base != previousBase) {
                report->beginLine();
                report->appendHex(module.base, 8);
                report->appendUtf8("  ");
                report->appendUtf8(module.path, module.pathLength);
            }
            previousBase = module.base;
            havePrevious = true;
            report->beginLine();
            report->appendUtf8("  +");
            report->appendHex(returnAddress - module.base, 8);
            if (entry == 0 && startsAtException) {
                report->appendUtf8("  Exception Offset");
            } else if (record != 0 &&
                       map.isReadable(record, kRecordSize + kArgumentSlots * sizeof(std::uintptr_t))) {
                report->appendUtf8("  (");
                for (int slot = 0; slot < kArgumentSlots; ++slot) {
                    if (slot > 0)
                        report->appendUtf8(", ");
                    report->appendHex(readWord(record + kRecordSize + slot * sizeof(std::uintptr_t)));
                }
                report->appendUtf8(")");
            }
        } else {
            report->beginLine();
            report->appendHex(returnAddress, 8);
        }

        // Continue with the record the saved frame pointer names. A chain moves toward the
        // stack's base, so a pointer that does not climb is garbage and ends the walk.
        if (framePointer == 0 || framePointer % sizeof(std::uintptr_t) != 0 ||
            !map.isReadable(framePointer, kRecordSize) || (record != 0 && framePointer <= record))
            break;
        record = framePointer;
        framePointer = readWord(record);
        returnAddress = readWord(record + sizeof(std::uintptr_t));
    }
}

} // namespace

void appendCallStack(ReportBuffer* report, const ModuleMap& map, std::uintptr_t framePointer,
                     std::uintptr_t returnAddress, bool startsAtException)
{
    walk(report, map, 0, framePointer, returnAddress, startsAtException);
}

void appendCallStackFromRecord(ReportBuffer* report, const ModuleMap& map, std::uintptr_t record)
{
    if (record == 0 || record % sizeof(std::uintptr_t) != 0 || !map.isReadable(record, kRecordSize))
        return;
    walk(report, map, record, readWord(record), readWord(record + sizeof(std::uintptr_t)), false);
}
