#include "cli/ParallelStamper.h"

#include <QFileInfo>
#include <QHash>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "render/OutputNaming.h"
#include "render/WatermarkCompositor.h"

namespace {

QString canonical(const QString& path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

} // namespace

ParallelStamper::ParallelStamper(const RenderRequest& base, const QStringList& photos)
    : m_base(base), m_photos(photos)
{
}

QList<QList<int>> ParallelStamper::dependencies() const
{
    QList<QList<int>> deps(m_photos.size());
    QHash<QString, QList<int>> bySource;
    QHash<QString, QList<int>> byOutput;
    for (int i = 0; i < m_photos.size(); ++i) {
        const QString source = canonical(m_photos[i]);
        const QString output = canonical(OutputNaming::outputPath(m_photos[i], m_base.output));
        QList<int>& mine = deps[i];
        mine += byOutput.value(source);
        if (!output.isEmpty()) {
            mine += byOutput.value(output);
            mine += bySource.value(output);
        }
        bySource[source].append(i);
        if (!output.isEmpty())
            byOutput[output].append(i);
    }
    return deps;
}

void ParallelStamper::run(int threads, const std::function<void(int, const ComposeOutcome&)>& report)
{
    const int count = int(m_photos.size());
    if (count == 0)
        return;
    const QList<QList<int>> deps = dependencies();

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> done(static_cast<size_t>(count), false);
    std::vector<ComposeOutcome> outcomes(static_cast<size_t>(count));
    std::atomic<int> next{0};

    auto worker = [&]() {
        for (;;) {
            const int i = next.fetch_add(1);
            if (i >= count)
                return;
            {
                // Photos are taken in input order, so every photo waited for is already
                // being stamped by another worker.
                std::unique_lock lock(mutex);
                changed.wait(lock, [&]() {
                    for (int d : deps[i])
                        if (!done[size_t(d)])
                            return false;
                    return true;
                });
            }
            RenderRequest request = m_base;
            request.sourcePath = m_photos[i];
            ComposeOutcome outcome = WatermarkCompositor::render(request).outcome;
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
