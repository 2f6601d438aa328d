#include "forward/core/DiskQueue.h"

#include "common/core/Clock.h"

namespace quendal {

struct DiskQueue::State
{
    DiskQueueCounters counters;
    QString lastError;
};

DiskQueue::DiskQueue(std::unique_ptr<State> state) : d_(std::move(state))
{}
DiskQueue::~DiskQueue() = default;

std::unique_ptr<DiskQueue> DiskQueue::open(const QString&, const DiskQueueOptions&, const Clock&,
                                           QString* error)
{
    if (error)
        *error = QStringLiteral("not available yet");
    return nullptr;
}

bool DiskQueue::append(QByteArrayView)
{
    return false;
}
std::optional<QByteArray> DiskQueue::nextToSend()
{
    return std::nullopt;
}
void DiskQueue::rewind()
{}
void DiskQueue::acknowledge(quint64)
{}
void DiskQueue::sync()
{}
const DiskQueueCounters& DiskQueue::counters() const
{
    return d_->counters;
}
QString DiskQueue::lastError() const
{
    return d_->lastError;
}

} // namespace quendal
