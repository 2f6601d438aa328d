#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <unistd.h>

namespace quendal {

// Whole lines to a descriptor (standard output) without ever blocking the caller. Lines wait in
// a bounded queue that a thread of its own writes out with plain blocking writes. When the
// reader does not keep up and the queue is full, whole lines are dropped and counted: reported
// once when dropping starts and once when the reader has caught up. When the reader goes away
// (EPIPE, with SIGPIPE ignored) printing stops, reported once.
//
// A writer thread rather than O_NONBLOCK on the descriptor: that flag belongs to the open file
// description, which a terminal shares with the shell and every other program on it, and it
// would be left set if the process were killed.
class LineWriter : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype kDefaultCapacity = 4 * 1024 * 1024;

    explicit LineWriter(int descriptor = STDOUT_FILENO, qsizetype capacity = kDefaultCapacity,
                        QObject* parent = nullptr);
    // Waits a short while for what is queued (see finish).
    ~LineWriter() override;
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Queues whole lines (text ending in a line feed). false when they were dropped: the queue is
    // full, or the reader has gone.
    bool write(QByteArrayView lines);

    // Stops taking lines and gives the thread up to `timeout` to write what waits. A reader that
    // reads nothing cannot hold the process: the thread is then left behind, and the lines not
    // yet written (a line cut by the stop included) count as dropped.
    void finish(std::chrono::milliseconds timeout = std::chrono::milliseconds(500));

    // Lines dropped because the reader did not keep up.
    quint64 droppedLines() const { return dropped_; }
    // Whether printing stopped for good (the reader went away, or the descriptor failed).
    bool hasStopped();

    // Where the writer's own reports go: one line each, standard error unless replaced.
    void setReporter(std::function<void(const QString&)> reporter);

private:
    struct Shared;
    void checkReader();
    void report(const QString& text);

    std::shared_ptr<Shared> shared_;
    qsizetype capacity_;
    quint64 dropped_ = 0;
    quint64 droppedAtStart_ = 0; // count when the current run of drops began
    bool dropping_ = false;
    bool stopReported_ = false; // under the shared lock
    bool finished_ = false;
    QTimer watch_;
    std::function<void(const QString&)> reporter_;
};

// "program: text" on standard error, the program being the application's name.
void printToStandardError(const QString& text);

} // namespace quendal
