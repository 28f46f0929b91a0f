#include "cli/ParallelStamper.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "render/OutputPlan.h"
#include "render/WatermarkCompositor.h"

ParallelStamper::ParallelStamper(const RenderRequest& base, const QStringList& photos)
    : m_base(base), m_photos(photos)
{
}

void ParallelStamper::run(int threads, const std::function<void(int, const ComposeOutcome&)>& report)
{
    const int count = int(m_photos.size());
    if (count == 0)
        return;

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> done(static_cast<size_t>(count), false);
    std::vector<ComposeOutcome> outcomes(static_cast<size_t>(count));
    std::atomic<int> next{0};

    // Decided in list order before anything is written, so the same photos are refused
    // whatever the number of threads.
    std::vector<QString> refusals(static_cast<size_t>(count));
    if (m_base.mode == ComposeMode::BatchOutput) {
        OutputPlan plan(m_base.output, m_photos);
        for (int i = 0; i < count; ++i)
            refusals[size_t(i)] = plan.claim(m_photos[i]);
    }

    auto worker = [&]() {
        for (;;) {
            const int i = next.fetch_add(1);
            if (i >= count)
                return;
            ComposeOutcome outcome;
            if (!refusals[size_t(i)].isEmpty()) {
                outcome.error = refusals[size_t(i)];
            } else {
                RenderRequest request = m_base;
                request.sourcePath = m_photos[i];
                outcome = WatermarkCompositor::render(request).outcome;
            }
            {
                std::lock_guard lock(mutex);
                outcomes[size_t(i)] = std::move(outcome);
                done[size_t(i)] = true;
            }
            changed.notify_all();
        }
    };

    // The workers run on the application's thread pool: the painter then does its fills on
    // the worker's own thread instead of handing each batch of spans to other threads, which
    // costs thousands of thread switches per photo.
    const int workers = std::clamp(threads, 1, count);
    QThreadPool* pool = QThreadPool::globalInstance();
    if (pool->maxThreadCount() < workers)
        pool->setMaxThreadCount(workers);
    int running = workers;
    for (int t = 0; t < workers; ++t) {
        pool->start([&]() {
            worker();
            // Notified under the lock: run() cannot return before this task lets go of it.
            std::lock_guard lock(mutex);
            --running;
            changed.notify_all();
        });
    }

    for (int i = 0; i < count; ++i) {
        ComposeOutcome outcome;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&]() { return bool(done[size_t(i)]); });
            outcome = outcomes[size_t(i)];
        }
        report(i, outcome);
    }
    std::unique_lock lock(mutex);
    changed.wait(lock, [&]() { return running == 0; });
}
