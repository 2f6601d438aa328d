#include "app/core/LineWriter.h"

#include <QByteArray>
#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace quendal {

// What the caller and the writer thread share. It outlives the LineWriter when the thread is
// left behind in a write that nobody reads.
struct LineWriter::Shared
{
    static constexpr qsizetype kBatchBytes = 64 * 1024;
    static constexpr std::chrono::milliseconds kGatherTime{2};

    std::mutex mutex;
    std::condition_variable wake; // lines queued, or stop
    std::condition_variable idle; // everything written
    QByteArray pending;
    QByteArray writing;                     // the thread's batch: replaced only under the lock
    qsizetype inFlight = 0;                 // bytes of it the thread is writing now
    std::atomic<qsizetype> writtenBytes{0}; // of those, written so far
    bool stopping = false;
    bool stopped = false; // the descriptor failed; nothing more is written
    int error = 0;
    int descriptor = STDOUT_FILENO;

    void run();
    bool writeAll();
    // Lines queued or being written that have not reached the descriptor. Under the lock.
    quint64 unwrittenLines() const;
};

bool LineWriter::Shared::writeAll()
{
    const char* p = writing.constData();
    qsizetype left = writing.size();
    while (left > 0) {
        // Whole lines of at most PIPE_BUF bytes per write: a pipe takes such a write entirely or
        // not at all, so a stop while the reader stalls never leaves half a line in it, and the
        // count of what was written stays exact.
        qsizetype chunk = std::min<qsizetype>(left, PIPE_BUF);
        if (chunk < left) {
            const void* lastEnd = ::memrchr(p, '\n', size_t(chunk));
            const void* firstEnd = ::memchr(p, '\n', size_t(left));
            const char* end = static_cast<const char*>(lastEnd ? lastEnd : firstEnd);
            chunk = end ? end - p + 1 : left;
        }
        const ssize_t n = ::write(descriptor, p, size_t(chunk));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        p += n;
        left -= n;
        writtenBytes.fetch_add(n, std::memory_order_relaxed);
    }
    return true;
}

quint64 LineWriter::Shared::unwrittenLines() const
{
    const qsizetype written = inFlight > 0 ? writtenBytes.load(std::memory_order_relaxed) : 0;
    return quint64(pending.count('\n') + QByteArrayView(writing).sliced(written).count('\n'));
}

void LineWriter::Shared::run()
{
    // Signals are for the event loop's thread; this one only writes.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);

    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [&] { return !pending.isEmpty() || stopping; });
        if (pending.isEmpty())
            break;
        if (!stopping && pending.size() < kBatchBytes) {
            // Lines arriving meanwhile join this write: under a flood one write carries many
            // lines instead of one wake-up and one write each.
            lock.unlock();
            std::this_thread::sleep_for(kGatherTime);
            lock.lock();
        }
        writing.swap(pending);
        inFlight = writing.size();
        writtenBytes.store(0, std::memory_order_relaxed);
        lock.unlock();
        const bool ok = writeAll();
        lock.lock();
        writing.truncate(0); // keeps its capacity for the next batch
        inFlight = 0;
        if (!ok) {
            stopped = true;
            pending.clear();
            break;
        }
        if (pending.isEmpty())
            idle.notify_all();
    }
    inFlight = 0;
    idle.notify_all();
}

LineWriter::LineWriter(int descriptor, qsizetype capacity, QObject* parent)
    : QObject(parent), shared_(std::make_shared<Shared>()), capacity_(capacity),
      reporter_(printToStandardError)
{
    shared_->descriptor = descriptor;
    shared_->pending.reserve(64 * 1024);
    std::thread([shared = shared_] { shared->run(); }).detach();
    // A reader that goes away is noticed even when no further line comes.
    watch_.setInterval(200);
    connect(&watch_, &QTimer::timeout, this, [this] {
        checkReader();
        // Stopped here, on the timer's own thread: lines are written from another one.
        if (hasStopped())
            watch_.stop();
    });
    watch_.start();
}

LineWriter::~LineWriter()
{
    finish();
}

void LineWriter::setReporter(std::function<void(const QString&)> reporter)
{
    reporter_ = std::move(reporter);
}

void LineWriter::report(const QString& text)
{
    if (reporter_)
        reporter_(text);
}

bool LineWriter::write(QByteArrayView lines)
{
    if (finished_ || lines.isEmpty())
        return false;
    Shared& s = *shared_;
    bool accepted = false;
    bool stopped = false;
    {
        std::lock_guard lock(s.mutex);
        stopped = s.stopped;
        const qsizetype queued = s.pending.size() + s.inFlight;
        // While dropping, wait until half the queue is free, so that a reader crawling along
        // gets a run of whole lines instead of one line now and then.
        const qsizetype limit = dropping_ ? capacity_ / 2 : capacity_;
        if (!stopped && queued + lines.size() <= limit) {
            const bool wasEmpty = s.pending.isEmpty();
            s.pending.append(lines.data(), lines.size());
            accepted = true;
            if (wasEmpty)
                s.wake.notify_one();
        }
    }
    if (stopped) {
        checkReader();
        return false;
    }
    if (accepted) {
        if (dropping_) {
            dropping_ = false;
            report(QStringLiteral("standard output caught up; %1 lines were dropped while it "
                                  "was not being read")
                       .arg(dropped_ - droppedAtStart_));
        }
        return true;
    }
    if (!dropping_) {
        dropping_ = true;
        droppedAtStart_ = dropped_;
        report(QStringLiteral("standard output is not being read fast enough: whole lines are "
                              "dropped until it catches up (log files go on)"));
    }
    dropped_ += quint64(lines.count('\n'));
    return false;
}

bool LineWriter::hasStopped()
{
    std::lock_guard lock(shared_->mutex);
    return shared_->stopped;
}

void LineWriter::checkReader()
{
    int error = 0;
    {
        // Reached from the writing thread and from the watch: the report goes out once.
        std::lock_guard lock(shared_->mutex);
        if (!shared_->stopped || stopReported_)
            return;
        stopReported_ = true;
        error = shared_->error;
    }
    report(error == EPIPE
               ? QStringLiteral("standard output was closed by its reader: printing stops, log "
                                "files go on")
               : QStringLiteral("cannot write to standard output (%1): printing stops, log files "
                                "go on")
                     .arg(QString::fromLocal8Bit(std::strerror(error))));
}

void LineWriter::finish(std::chrono::milliseconds timeout)
{
    if (finished_)
        return;
    finished_ = true;
    watch_.stop();
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    s.stopping = true;
    s.wake.notify_one();
    const bool drained = s.idle.wait_for(
        lock, timeout, [&] { return s.stopped || (s.pending.isEmpty() && s.inFlight == 0); });
    if (!drained) {
        // The reader reads nothing: what waits is given up, and the thread stays blocked in its
        // write until the process ends.
        dropped_ += s.unwrittenLines();
        s.pending.clear();
    }
    lock.unlock();
    checkReader();
}

void printToStandardError(const QString& text)
{
    QString program = QCoreApplication::applicationName();
    if (program.isEmpty())
        program = QStringLiteral("quendal-syslog");
    std::fprintf(stderr, "%s: %s\n", qPrintable(program), qPrintable(text));
    std::fflush(stderr);
}

} // namespace quendal
