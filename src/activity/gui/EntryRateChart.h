#pragma once

#include "activity/core/MinuteActivity.h"

#include <QObject>

#include <array>
#include <vector>

class QAreaSeries;
class QChart;
class QCategoryAxis;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

namespace quendal {

// Entries per minute, the five categories stacked, with a red mark over every minute that had
// emergencies.
class EntryRateChart : public QObject
{
    Q_OBJECT

public:
    explicit EntryRateChart(QObject* parent = nullptr);

    QChart* chart() const { return chart_; }
    // Shows the minutes within [from, to] (milliseconds since the epoch).
    void show(std::vector<MinuteCounts> minutes, qint64 from, qint64 to);
    // The counts of the minute under a point in the chart's values.
    QString tooltipAt(QPointF value) const;
    // The minute shown under a point, if it has entries.
    const MinuteCounts* minuteAt(QPointF value) const;
    // A minute with emergencies within the step drawn under a point, if any.
    const MinuteCounts* emergencyNear(QPointF value) const;
    // Minutes per step drawn: 1 up to kMaxSteps minutes, more for longer ranges.
    qint64 step() const { return step_; }
    static constexpr qint64 kMaxSteps = 360;
    const std::vector<MinuteCounts>& shown() const { return shown_; }

    QAreaSeries* categorySeries(LogCategory c) const { return areas_[size_t(categoryIndex(c))]; }
    QScatterSeries* emergencySeries() const { return emergencies_; }

private:
    QChart* chart_;
    std::array<QLineSeries*, kCategoryCount> uppers_{};
    std::array<QAreaSeries*, kCategoryCount> areas_{};
    QScatterSeries* emergencies_;
    QCategoryAxis* time_;
    QValueAxis* values_;
    std::vector<MinuteCounts> shown_;
    qint64 step_ = 1;
};

} // namespace quendal
