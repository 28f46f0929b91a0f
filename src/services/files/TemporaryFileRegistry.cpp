#include "services/files/TemporaryFileRegistry.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>

#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

namespace {

// One slot per file written at the same time: lumora-batch runs at most 1024 workers, the
// desktop program a few writers. A writer that finds no free slot writes untracked.
constexpr int kSlots = 1024;
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The life of a slot. Only the writer that claimed a slot moves it out of Filling and
// Creating; the handler moves Live to Taken so that the writer cannot reuse the slot (and its
// path) while the handler reads it.
enum SlotState : int
{
    Free,
    Filling,  // claimed, the path is being copied in
    Creating, // the path is complete; the file is being created
    Live,     // the file exists
    Taken,    // the handler removes the file; the slot is never used again
};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<pid_t>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

std::atomic<int> g_state[kSlots];
std::atomic<pid_t> g_owner[kSlots];
char g_path[kSlots][PATH_MAX];

// Set by the first handler before it looks at any slot: from then on no file is created.
std::atomic<bool> g_ending{false};
// 0: no clean-up; 1: a handler is removing the files; 2: done.
std::atomic<int> g_cleanup{0};

void sleepBriefly()
{
    const timespec step{0, 100'000}; // 0.1 ms
    ::nanosleep(&step, nullptr);
}

// How long the handler waits, in all, for other threads to finish creating files (open()
// returns within microseconds on a local disk; a hung network folder must not keep the
// process alive).
constexpr int kWaitSteps = 20'000; // 2 s

void removeSlot(int i, pid_t self, int& waitSteps)
{
    for (;;) {
        int state = g_state[i].load();
        if (state == Live) {
            if (g_state[i].compare_exchange_strong(state, Taken)) {
                ::unlink(g_path[i]);
                return;
            }
            continue;
        }
        if (state == Creating) {
            // This very thread was interrupted while creating the file: it never resumes.
            if (g_owner[i].load() == self) {
                ::unlink(g_path[i]);
                return;
            }
            if (waitSteps-- > 0) {
                sleepBriefly();
                continue;
            }
            ::unlink(g_path[i]); // the path stays put while its writer is creating
            return;
        }
        // Free or Filling: no file (a writer still filling its slot sees g_ending and does not
        // create one); Taken: another handler's.
        return;
    }
}

void removeTemporaryFiles()
{
    const pid_t self = ::gettid();
    int waitSteps = kWaitSteps;
    for (int i = 0; i < kSlots; ++i)
        removeSlot(i, self, waitSteps);
}

void onSignal(int signal)
{
    const int savedErrno = errno;
    int expected = 0;
    if (g_cleanup.compare_exchange_strong(expected, 1)) {
        g_ending.store(true);
        removeTemporaryFiles();
        g_cleanup.store(2);
    } else {
        // Another thread got a signal first and is removing the files: end after it.
        for (int step = 0; step < kWaitSteps && g_cleanup.load() != 2; ++step)
            sleepBriefly();
    }

    // End as the signal would have ended the process without this handler.
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    ::raise(signal);
    sigset_t pending;
    sigemptyset(&pending);
    sigaddset(&pending, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &pending, nullptr);
    errno = savedErrno;
}

} // namespace

void TemporaryFileRegistry::installSignalCleanup()
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // One clean-up at a time per thread: the other signals wait until this one has ended
    // the process.
    for (int signal : kCleanupSignals)
        sigaddset(&action.sa_mask, signal);
    for (int signal : kCleanupSignals) {
        struct sigaction current = {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
            (current.sa_flags & SA_SIGINFO) != 0)
            continue; // ignored on purpose (nohup, background job) or handled by someone else
        ::sigaction(signal, &action, nullptr);
    }
}

int TemporaryFileRegistry::claim(const QByteArray& nativePath)
{
    if (nativePath.size() >= PATH_MAX)
        return kUntracked;
    if (g_ending.load())
        return kEnding;
    for (int i = 0; i < kSlots; ++i) {
        int expected = Free;
        if (!g_state[i].compare_exchange_strong(expected, Filling))
            continue;
        std::memcpy(g_path[i], nativePath.constData(), size_t(nativePath.size()));
        g_path[i][nativePath.size()] = '\0';
        g_owner[i].store(::gettid());
        g_state[i].store(Creating);
        // Either the handler sees Creating and waits for the file, or this sees g_ending and
        // the file is not created (both are sequentially consistent operations).
        if (g_ending.load()) {
            g_state[i].store(Free);
            return kEnding;
        }
        return i;
    }
    return kUntracked;
}

void TemporaryFileRegistry::created(int slot)
{
    if (slot >= 0 && slot < kSlots)
        g_state[slot].store(Live);
}

void TemporaryFileRegistry::release(int slot)
{
    if (slot < 0 || slot >= kSlots)
        return;
    int state = g_state[slot].load();
    while ((state == Creating || state == Live) && !g_state[slot].compare_exchange_weak(state, Free)) {
    }
}
