#include "app/core/LineWriter.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cerrno>
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
    std::mutex mutex;
    std::condition_variable wake; // lines queued, or stop
    std::condition_variable idle; // everything written
    QByteArray pending;
    qsizetype inFlight = 0; // bytes the thread is writing now
    bool stopping = false;
    bool stopped = false; // the descriptor failed; nothing more is written
    int error = 0;
    int descriptor = STDOUT_FILENO;

    void run();
    bool writeAll(const QByteArray& bytes);
};

bool LineWriter::Shared::writeAll(const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(descriptor, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

void LineWriter::Shared::run()
{
    // Signals are for the event loop's thread; this one only writes.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);

    QByteArray batch;
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [&] { return !pending.isEmpty() || stopping; });
        if (pending.isEmpty())
            break;
        batch.swap(pending);
        inFlight = batch.size();
        lock.unlock();
        const bool ok = writeAll(batch);
        batch.truncate(0);
        lock.lock();
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
    connect(&watch_, &QTimer::timeout, this, &LineWriter::checkReader);
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
        std::lock_guard lock(shared_->mutex);
        if (!shared_->stopped || stopReported_)
            return;
        error = shared_->error;
    }
    stopReported_ = true;
    watch_.stop();
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
        dropped_ += quint64(s.pending.count('\n'));
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
