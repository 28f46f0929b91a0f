#include "render/stream/BandPipe.h"

#include <algorithm>
#include <utility>

#include "render/stream/CanvasRows.h"

BandPipe::BandPipe(CanvasRows& rows, int height, Finish finish)
    : m_rows(rows), m_height(height), m_finish(std::move(finish))
{
}

BandPipe::~BandPipe()
{
    stop();
}

bool BandPipe::start()
{
    for (QImage& slot : m_slots) {
        slot = m_rows.band();
        if (slot.isNull())
            return false;
    }
    m_thread = std::thread([this]() { decodeAll(); });
    return true;
}

bool BandPipe::take(int first, int count, const uchar** lines)
{
    const int band = first / CanvasRows::kBand;
    std::unique_lock lock(m_mutex);
    m_taken = band;
    m_changed.notify_all();
    m_changed.wait(lock, [&]() { return m_decoded > band || m_damaged; });
    if (m_decoded <= band)
        return false;
    const QImage& slot = m_slots[size_t(band % kSlots)];
    for (int i = 0; i < count; ++i)
        lines[i] = slot.constScanLine(first - band * CanvasRows::kBand + i);
    return true;
}

bool BandPipe::finish()
{
    stop();
    return !m_damaged;
}

void BandPipe::decodeAll()
{
    const int bands = (m_height + CanvasRows::kBand - 1) / CanvasRows::kBand;
    for (int band = 0; band < bands; ++band) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&]() { return band - m_taken < kSlots || m_stopped; });
            if (m_stopped)
                return;
        }
        QImage& slot = m_slots[size_t(band % kSlots)];
        const int first = band * CanvasRows::kBand;
        const int count = std::min(CanvasRows::kBand, m_height - first);
        const bool ok = m_rows.read(count, slot) && m_finish(slot, first, count);
        const std::lock_guard lock(m_mutex);
        if (!ok) {
            m_damaged = true;
            m_changed.notify_all();
            return;
        }
        m_decoded = band + 1;
        m_changed.notify_all();
    }
}

void BandPipe::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_changed.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
}
