#include "services/crash/ModuleMap.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool parseHex(const char*& cursor, const char* end, std::uint64_t* value)
{
    std::uint64_t result = 0;
    const char* start = cursor;
    while (cursor < end) {
        const char c = *cursor;
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        result = (result << 4) | static_cast<std::uint64_t>(digit);
        ++cursor;
    }
    *value = result;
    return cursor != start;
}

void skipSpaces(const char*& cursor, const char* end)
{
    while (cursor < end && *cursor == ' ')
        ++cursor;
}

void skipField(const char*& cursor, const char* end)
{
    while (cursor < end && *cursor != ' ')
        ++cursor;
}

bool samePath(const MappedRegion& a, const MappedRegion& b)
{
    return a.pathLength == b.pathLength && std::memcmp(a.path, b.path, a.pathLength) == 0;
}

} // namespace

bool ModuleMap::load()
{
    m_textLength = 0;
    m_regionCount = 0;
    int fd;
    do {
        fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    while (m_textLength < kTextCapacity) {
        const ssize_t got = ::read(fd, m_text + m_textLength, kTextCapacity - m_textLength);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        m_textLength += static_cast<std::size_t>(got);
    }
    ::close(fd);
    parseText();
    return m_regionCount > 0;
}

void ModuleMap::parse(const char* text, std::size_t length)
{
    m_textLength = length < kTextCapacity ? length : kTextCapacity;
    std::memcpy(m_text, text, m_textLength);
    parseText();
}

void ModuleMap::parseText()
{
    m_regionCount = 0;
    const char* cursor = m_text;
    const char* const textEnd = m_text + m_textLength;
    while (cursor < textEnd && m_regionCount < kMaxRegions) {
        const char* lineEnd = static_cast<const char*>(std::memchr(cursor, '\n', textEnd - cursor));
        // A line cut off by the capacity is incomplete: leave it out.
        if (!lineEnd)
            break;
        // Format: start-end perms offset dev inode [path]
        MappedRegion region;
        std::uint64_t start = 0;
        std::uint64_t end = 0;
        const char* p = cursor;
        bool ok = parseHex(p, lineEnd, &start) && p < lineEnd && *p == '-';
        if (ok) {
            ++p;
            ok = parseHex(p, lineEnd, &end) && end > start;
        }
        skipSpaces(p, lineEnd);
        if (ok && lineEnd - p >= 4) {
            region.readable = p[0] == 'r';
            region.executable = p[2] == 'x';
            skipField(p, lineEnd);
            skipSpaces(p, lineEnd);
            ok = parseHex(p, lineEnd, &region.offset);
            skipSpaces(p, lineEnd);
            skipField(p, lineEnd); // device
            skipSpaces(p, lineEnd);
            skipField(p, lineEnd); // inode
            skipSpaces(p, lineEnd);
            if (p < lineEnd && *p == '/') {
                region.path = p;
                region.pathLength = static_cast<std::size_t>(lineEnd - p);
            }
        } else {
            ok = false;
        }
        if (ok) {
            region.start = static_cast<std::uintptr_t>(start);
            region.end = static_cast<std::uintptr_t>(end);
            m_regions[m_regionCount++] = region;
        }
        cursor = lineEnd + 1;
    }
}

const MappedRegion* ModuleMap::regionOf(std::uintptr_t address) const
{
    // The kernel lists regions in address order.
    std::size_t low = 0;
    std::size_t high = m_regionCount;
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        const MappedRegion& region = m_regions[mid];
        if (address < region.start)
            high = mid;
        else if (address >= region.end)
            low = mid + 1;
        else
            return &region;
    }
    return nullptr;
}

const MappedRegion* ModuleMap::regionAtOrAbove(std::uintptr_t address) const
{
    std::size_t low = 0;
    std::size_t high = m_regionCount;
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (m_regions[mid].end <= address)
            low = mid + 1;
        else
            high = mid;
    }
    return low < m_regionCount ? &m_regions[low] : nullptr;
}

bool ModuleMap::isReadable(std::uintptr_t address, std::size_t length) const
{
    if (length == 0)
        return true;
    if (address + length < address)
        return false;
    const std::uintptr_t last = address + length - 1;
    std::uintptr_t next = address;
    while (true) {
        const MappedRegion* region = regionOf(next);
        if (!region || !region->readable)
            return false;
        if (last < region->end)
            return true;
        next = region->end;
    }
}

bool ModuleMap::isExecutable(std::uintptr_t address) const
{
    const MappedRegion* region = regionOf(address);
    return region && region->executable;
}

bool ModuleMap::FindModuleOfAddress(std::uintptr_t address, ModuleInfo* module) const
{
    const MappedRegion* region = regionOf(address);
    if (!region || region->pathLength == 0)
        return false;
    std::uintptr_t base = region->start - static_cast<std::uintptr_t>(region->offset);
    bool foundHeader = false;
    for (std::size_t i = 0; i < m_regionCount; ++i) {
        const MappedRegion& other = m_regions[i];
        if (other.offset == 0 && samePath(other, *region) && other.start <= region->start) {
            // The closest header below the region, in case the file is mapped twice.
            if (!foundHeader || other.start > base)
                base = other.start;
            foundHeader = true;
        }
    }
    if (module) {
        module->base = base;
        module->path = region->path;
        module->pathLength = region->pathLength;
    }
    return true;
}
