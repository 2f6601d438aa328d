#include "activity/gui/RouterWatch.h"

#include "activity/core/ActivitySeries.h"
#include "receiver/core/HostList.h"

namespace quendal {

RouterWatch::RouterWatch(ActivitySeries* series, HostList* hosts, QObject* parent) : QObject(parent)
{
    shown_.reset();
    if (series)
        connect(series, &ActivitySeries::statusReported, this, &RouterWatch::take);
    // Accepting one sender only is watching it, once it has reported.
    if (hosts)
        connect(hosts, &HostList::selectedRowChanged, this, [this, hosts] {
            if (const std::optional<QString> sender = hosts->selectedSender();
                sender && known_.count(*sender))
                choose(*sender);
        });
}

RouterWatch::~RouterWatch() = default;

void RouterWatch::choose(const QString& router)
{
    if (router == chosen_ || !known_.count(router))
        return;
    chosen_ = router;
    showChosen();
    Q_EMIT chosenChanged(chosen_);
}

void RouterWatch::take(const QString& sender, const QByteArray& text)
{
    auto found = known_.find(sender);
    if (found == known_.end()) {
        if (known_.size() >= kMaxRouters)
            forgetSilentest();
        Router router;
        router.status = std::make_unique<WanStatus>();
        router.status->reset();
        found = known_.emplace(sender, std::move(router)).first;
        const int row = routers_.rowCount();
        routers_.insertRows(row, 1);
        routers_.setData(routers_.index(row), sender);
    }
    found->second.lastReport = ++reports_;
    found->second.status->apply(text);
    if (chosen_.isEmpty()) {
        chosen_ = sender;
        showChosen();
        Q_EMIT chosenChanged(chosen_);
    } else if (sender == chosen_) {
        showChosen();
    }
}

void RouterWatch::forgetSilentest()
{
    auto silentest = known_.end();
    for (auto it = known_.begin(); it != known_.end(); ++it) {
        if (it->first == chosen_)
            continue;
        if (silentest == known_.end() || it->second.lastReport < silentest->second.lastReport)
            silentest = it;
    }
    if (silentest == known_.end())
        return;
    const int row = int(routers_.stringList().indexOf(silentest->first));
    if (row >= 0)
        routers_.removeRows(row, 1);
    known_.erase(silentest);
}

void RouterWatch::showChosen()
{
    const auto found = known_.find(chosen_);
    if (found == known_.end()) {
        shown_.reset();
        return;
    }
    shown_.restore(found->second.status->snapshot());
}

} // namespace quendal
