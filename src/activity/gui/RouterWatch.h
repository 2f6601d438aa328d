#pragma once

#include "receiver/core/WanStatus.h"

#include <QObject>
#include <QString>
#include <QStringListModel>

#include <map>
#include <memory>

namespace quendal {

class ActivitySeries;
class HostList;

// Which router the status panels and the Activity tab watch, apart from which senders are
// accepted: the routers that sent status reports, each with its latest status, and one of them
// chosen. The first router to report is chosen until the user picks another (or picks one sender
// in the host list), so with every sender accepted the panels stay on one router instead of
// following whoever reported last. Bounded: the routers silent longest give way.
class RouterWatch : public QObject
{
    Q_OBJECT

public:
    static constexpr size_t kMaxRouters = 16;

    RouterWatch(ActivitySeries* series, HostList* hosts, QObject* parent = nullptr);
    ~RouterWatch() override;

    // The routers that reported, in the order of their first report; for the choice boxes.
    QStringListModel* routers() { return &routers_; }
    // The router watched; empty before the first report.
    QString chosen() const { return chosen_; }
    void choose(const QString& router);
    // The watched router's status as it last reported it; neutral before its first report.
    const WanStatus* status() const { return &shown_; }

    // Takes one status report.
    void take(const QString& sender, const QByteArray& text);

Q_SIGNALS:
    void chosenChanged(const QString& router);

private:
    struct Router
    {
        std::unique_ptr<WanStatus> status;
        quint64 lastReport = 0; // order of the latest report
    };
    void forgetSilentest();
    void showChosen();

    std::map<QString, Router> known_;
    QStringListModel routers_;
    QString chosen_;
    WanStatus shown_;
    quint64 reports_ = 0;
};

} // namespace quendal
