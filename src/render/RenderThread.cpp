#include "render/RenderThread.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <exception>

namespace RenderThread {

void run(const std::function<void()>& work)
{
    QThreadPool* pool = QThreadPool::globalInstance();
    if (pool->contains(QThread::currentThread())) {
        work();
        return;
    }
    QSemaphore done;
    std::exception_ptr failure;
    const bool started = pool->tryStart([&]() {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done.release();
    });
    if (!started) {
        work();
        return;
    }
    done.acquire();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace RenderThread
