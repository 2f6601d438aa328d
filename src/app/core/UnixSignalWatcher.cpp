#include "app/core/UnixSignalWatcher.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quendal {
namespace {

// Both are used from the signal handler, so they are plain process-wide values. One descriptor
// wakes the event loop; which signals came is kept in a bit mask beside it, so the watcher costs
// a single descriptor even when the process is down to its last few.
int g_wake = -1;
std::atomic<std::uint64_t> g_pending{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free, "used in a signal handler");

extern "C" void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    g_pending.fetch_or(std::uint64_t(1) << signalNumber, std::memory_order_relaxed);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_wake, &one, sizeof one);
    errno = savedErrno;
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent)
{
    if (g_wake < 0)
        g_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (g_wake < 0) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(g_wake, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &UnixSignalWatcher::drain);

    struct sigaction action
    {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : signalNumbers) {
        Q_ASSERT(s > 0 && s < 64);
        ::sigaction(s, &action, nullptr);
    }
}

UnixSignalWatcher::~UnixSignalWatcher() = default;

void UnixSignalWatcher::drain()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(g_wake, &count, sizeof count);
    // Repeats of a signal that came while the last one was handled count once, as the kernel
    // counts a pending signal.
    std::uint64_t pending = g_pending.exchange(0, std::memory_order_relaxed);
    for (int s = 1; s < 64; ++s) {
        if (pending & (std::uint64_t(1) << s))
            Q_EMIT received(s);
    }
}

} // namespace quendal
