#pragma once

#include <mutex>

// The batch run's stop request, "stop watermark process": an auto-reset event. set() signals
// it; tryConsume() tests it without waiting and, when it was signalled, clears it (a
// successful wait). It starts not signalled. A run does not clear it when it starts, so a
// request that came after the last photo was taken ends the next run before its first photo.
class StopEvent
{
public:
    void set();
    bool tryConsume();

private:
    std::mutex m_mutex;
    bool m_signalled = false;
};
