#pragma once

#include <cstddef>
#include <cstdint>

// One line of the process's memory map.
struct MappedRegion
{
    std::uintptr_t start = 0;
    std::uintptr_t end = 0; // one past the last byte
    std::uint64_t offset = 0;
    bool readable = false;
    bool executable = false;
    const char* path = nullptr; // points into the map's text; not NUL-terminated
    std::size_t pathLength = 0; // 0 for anonymous regions
};

// The loaded module that contains an address.
struct ModuleInfo
{
    std::uintptr_t base = 0;
    const char* path = nullptr; // not NUL-terminated
    std::size_t pathLength = 0;
};

// A snapshot of the process's memory map, read from /proc/self/maps with open and read only
// and kept in fixed arrays, so it can be taken inside a signal handler. It is large (about a
// megabyte): keep one in static storage or on the heap, never on a stack.
class ModuleMap
{
public:
    static constexpr std::size_t kTextCapacity = 512 * 1024;
    static constexpr std::size_t kMaxRegions = 8192;

    // Reads the current map; false when it cannot be read. A map larger than the fixed
    // capacity keeps its first part.
    bool load();
    // Parses a map text given in the /proc/self/maps format (copied into the snapshot).
    void parse(const char* text, std::size_t length);

    std::size_t regionCount() const { return m_regionCount; }
    const MappedRegion* regionOf(std::uintptr_t address) const;
    // The region containing the address, else the first one above it; nullptr when none.
    const MappedRegion* regionAtOrAbove(std::uintptr_t address) const;

    // True when every byte of [address, address + length) lies in readable regions.
    bool isReadable(std::uintptr_t address, std::size_t length) const;
    bool isExecutable(std::uintptr_t address) const;

    // The file-backed region containing the address; the module's base is the lowest start of
    // the regions mapped from the same file at offset 0.
    bool FindModuleOfAddress(std::uintptr_t address, ModuleInfo* module) const;

    const char* text() const { return m_text; }
    std::size_t textLength() const { return m_textLength; }

private:
    void parseText();

    char m_text[kTextCapacity];
    std::size_t m_textLength = 0;
    MappedRegion m_regions[kMaxRegions];
    std::size_t m_regionCount = 0;
};
