#include "receiver/core/ReceptionView.h"

#include "activity/core/ActivitySeries.h"
#include "logs/core/LogList.h"
#include "receiver/core/HostList.h"
#include "receiver/core/ReceptionEngine.h"
#include "receiver/core/WanStatus.h"

namespace quendal {

ReceptionView::ReceptionView(ReceptionEngine* engine, HostList* hosts,
                             const std::array<LogList*, kCategoryCount>& lists, WanStatus* wan,
                             QObject* parent)
    : QObject(parent), hosts_(hosts), lists_(lists), wan_(wan)
{
    connect(engine, &ReceptionEngine::batchArrived, this,
            [this](ReceptionBatch* batch) { apply(*batch); });
    connect(hosts_, &HostList::selectedRowChanged, this,
            [this, engine] { engine->setSelectedHost(hosts_->selectedSender()); });
}

void ReceptionView::apply(ReceptionBatch& batch)
{
    for (size_t i = 0; i < lists_.size(); ++i) {
        if (lists_[i] && !batch.rows[i].isEmpty())
            lists_[i]->prependAll(std::move(batch.rows[i]));
    }
    for (const QString& sender : std::as_const(batch.newSenders))
        hosts_->add(sender);
    if (batch.status && wan_)
        wan_->restore(*batch.status);
    if (activity_)
        activity_->apply(batch.activity);
}

} // namespace quendal
