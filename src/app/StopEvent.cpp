#include "app/StopEvent.h"

void StopEvent::set()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = true;
}

bool StopEvent::tryConsume()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool was = m_signalled;
    m_signalled = false;
    return was;
}
