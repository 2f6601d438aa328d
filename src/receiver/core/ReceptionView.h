#pragma once

#include "logs/core/LogCategory.h"

#include <QObject>

#include <array>

namespace quendal {

class ActivitySeries;
class HostList;
class LogList;
class ReceptionEngine;
struct ReceptionBatch;
class WanStatus;

// Shows what a reception engine takes in, on the thread this object lives on (the window's):
// each batch's entries on top of their category lists, new senders at the end of the host list,
// the status values in the panels. The host list's selection goes back to the engine as the
// sender filter. Missing lists keep nothing.
class ReceptionView : public QObject
{
    Q_OBJECT

public:
    ReceptionView(ReceptionEngine* engine, HostList* hosts,
                  const std::array<LogList*, kCategoryCount>& lists, WanStatus* wan,
                  QObject* parent = nullptr);

    // The activity charts' series, fed from every batch; null feeds none.
    void setActivity(ActivitySeries* activity) { activity_ = activity; }

    // Puts a batch on screen; its rows are taken over.
    void apply(ReceptionBatch& batch);

private:
    ActivitySeries* activity_ = nullptr;
    HostList* hosts_;
    std::array<LogList*, kCategoryCount> lists_;
    WanStatus* wan_;
};

} // namespace quendal
