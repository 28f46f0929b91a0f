#include <QSemaphore>
#include <QTest>
#include <QThreadPool>

#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "services/imaging/MemoryReuse.h"

namespace {

constexpr size_t kMiB = 1024 * 1024;

// Runs `work` on a worker of the global thread pool and waits for it.
void onWorker(const std::function<void()>& work)
{
    QSemaphore done;
    QThreadPool::globalInstance()->start([&]() {
        work();
        done.release();
    });
    done.acquire();
}

} // namespace

class MemoryReuseTest : public QObject
{
    Q_OBJECT

private slots:
    // A batch worker gets the memory of its last photo back for the next one, as it was left
    // (a canvas is written whole anyway); the memory goes back to the worker that took it
    // wherever it is freed; a worker keeps a bounded number of blocks; other threads keep
    // nothing and always get fresh, zeroed memory. The program starts with no block kept, so
    // the first block is fresh on both kinds of thread.
    void workersKeepTheirBlocks_data()
    {
        QTest::addColumn<bool>("worker");
        QTest::newRow("pool worker") << true;
        QTest::newRow("other thread") << false;
    }

    void workersKeepTheirBlocks()
    {
        QFETCH(bool, worker);
        bool reused = false;
        bool kept = false;
        bool freshZero = false;
        bool bounded = false;
        bool returned = false;
        const auto work = [&]() {
            const size_t before = MemoryReuse::Block::keptBytes();
            unsigned char* first = nullptr;
            {
                MemoryReuse::Block block(20 * kMiB);
                if (block.null())
                    return;
                freshZero = block.fresh() && block.data()[0] == 0 && block.data()[20 * kMiB - 1] == 0;
                std::memset(block.data(), 0x5A, block.size());
                first = block.data();
            }
            kept = MemoryReuse::Block::keptBytes() >= before + 20 * kMiB;
            {
                MemoryReuse::Block again(19 * kMiB);
                reused = again.data() == first && !again.fresh() && again.data()[100] == 0x5A;
            }
            // Freed on another thread, a block still goes back to this thread's store.
            auto moved = std::make_unique<MemoryReuse::Block>(30 * kMiB);
            const size_t held = MemoryReuse::Block::keptBytes();
            std::thread([&moved]() { moved.reset(); }).join();
            returned = MemoryReuse::Block::keptBytes() >= held + 30 * kMiB;
            // Many blocks given back at once: only the largest few stay.
            {
                std::vector<MemoryReuse::Block> many;
                for (int i = 0; i < 2 * MemoryReuse::Block::kKeptBlocks; ++i)
                    many.emplace_back((4 + size_t(i)) * kMiB);
            }
            bounded = MemoryReuse::Block::keptBlocks() == (worker ? MemoryReuse::Block::kKeptBlocks : 0);
        };
        if (worker)
            onWorker(work);
        else
            work();
        QVERIFY(freshZero);
        QCOMPARE(kept, worker);
        QCOMPARE(reused, worker);
        QCOMPARE(returned, worker);
        QVERIFY(bounded);
        if (!worker)
            QCOMPARE(MemoryReuse::Block::keptBytes(), size_t(0));
    }
};

QTEST_GUILESS_MAIN(MemoryReuseTest)
#include "tst_MemoryReuse.moc"
