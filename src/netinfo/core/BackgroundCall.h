#pragma once

#include <QObject>
#include <QThread>

#include <memory>
#include <optional>
#include <type_traits>

namespace quendal {

// Runs `work` on a thread of its own and hands its result to `done` on `context`'s thread. When
// `context` is gone by the time the work ends, the result is dropped. For calls that may block for
// seconds (external commands), so that the thread that asked never waits.
template <typename Work, typename Done> void runInBackground(QObject* context, Work work, Done done)
{
    using Result = std::invoke_result_t<Work&>;
    auto result = std::make_shared<std::optional<Result>>();
    QThread* thread =
        QThread::create([work = std::move(work), result]() mutable { result->emplace(work()); });
    QObject::connect(thread, &QThread::finished, context,
                     [result, done = std::move(done)]() mutable { done(std::move(**result)); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

} // namespace quendal
