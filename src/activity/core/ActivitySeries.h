#pragma once

#include "activity/core/ActivityTally.h"
#include "activity/core/LinkSeries.h"
#include "activity/core/MinuteActivity.h"

#include <QObject>
#include <QString>

#include <deque>
#include <map>
#include <memory>

namespace quendal {

class LogRows;

// Everything the activity charts show: each router's link series, the entries per minute as they
// arrive, and those of the log files read back. Fed from the reception batches on the window's
// thread; what it holds is bounded by time (a day) and count, however long the program runs.
class ActivitySeries : public QObject
{
    Q_OBJECT

public:
    // Routers with a series of their own; the one silent longest gives way to a new one.
    static constexpr size_t kMaxRouters = 16;
    static constexpr size_t kMaxEmergencySamples = 1000;

    explicit ActivitySeries(QObject* parent = nullptr);
    ~ActivitySeries() override;

    // Takes what a batch counted; its tally is left empty.
    void apply(ActivityTally& tally);

    // The series of one sender, null when it never reported (or gave way).
    const LinkSeries* link(const QString& sender) const;
    // The sender whose report came last; empty before the first.
    const QString& lastReporter() const { return lastReporter_; }
    QStringList reporters() const;

    const MinuteActivity& minutes() const { return live_; }
    // Emergencies that arrived in `minute`, as far as they were kept.
    std::vector<const EmergencySample*> emergenciesIn(qint64 minute) const;

    // Entries of a log file read back, counted per minute of their Time column where it can be
    // read; the counts of an earlier file of the same category are replaced. `now` decides the
    // year of times that carry none. Returns how many entries had a readable time.
    qsizetype addFile(LogCategory category, const LogRows& rows, qint64 now);
    const MinuteActivity& fileMinutes() const { return files_; }

    void clear();

Q_SIGNALS:
    // New data; receivers redraw at their own pace.
    void changed();
    // Entries arrived (not read back from a file), once per batch.
    void entriesArrived(quint64 count);
    // A router's status report, as received, in order of arrival.
    void statusReported(const QString& sender, const QByteArray& text);

private:
    LinkSeries& seriesFor(const QString& sender);

    struct Router
    {
        LinkSeries series;
        qint64 lastReport = 0;
    };
    std::map<QString, std::unique_ptr<Router>> routers_;
    QString lastReporter_;
    MinuteActivity live_;
    MinuteActivity files_{MinuteActivity::Collision::KeepNewest};
    std::deque<EmergencySample> emergencies_;
};

} // namespace quendal
