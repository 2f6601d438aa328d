#pragma once

#include "activity/core/LinkSeries.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QString>

#include <vector>

class QAreaSeries;
class QChart;
class QCategoryAxis;
class QLineSeries;
class QValueAxis;

namespace quendal {

// The transmit and receive rates of one router over time, with its connection mode changes and
// counter resets as vertical lines and the stretches without reports shaded.
class LinkRateChart : public QObject
{
    Q_OBJECT

public:
    // Points drawn at most, whatever the range: more are merged, keeping the peaks.
    static constexpr size_t kMaxDrawnPoints = 800;

    explicit LinkRateChart(QObject* parent = nullptr);

    QChart* chart() const { return chart_; }
    // Shows `series` (null: none) over [from, to]; `now` closes a silence still going on.
    void show(const LinkSeries* series, const QString& title, qint64 from, qint64 to, qint64 now);
    // The values and marks nearest to a point in the chart's values.
    QString tooltipAt(QPointF value) const;

    // What is drawn, for tests.
    QLineSeries* txSeries() const { return tx_; }
    QLineSeries* rxSeries() const { return rx_; }
    // The parts of the transmit line after the first, one per stretch between two silences.
    const std::vector<QLineSeries*>& txLaterParts() const { return txMore_; }
    QLineSeries* modeSeries() const { return modes_; }
    QAreaSeries* gapSeries() const { return gaps_; }

private:
    // Shows one part per list, the first in `first`, the others in `more` (made as needed).
    void showParts(QLineSeries* first, std::vector<QLineSeries*>& more,
                   const std::vector<QList<QPointF>>& parts);

    QChart* chart_;
    QLineSeries* tx_;
    QLineSeries* rx_;
    std::vector<QLineSeries*> txMore_;
    std::vector<QLineSeries*> rxMore_;
    QLineSeries* modes_;
    QLineSeries* resets_;
    QLineSeries* gapEdge_;
    QAreaSeries* gaps_;
    QCategoryAxis* time_;
    QValueAxis* values_;
    const LinkSeries* shown_ = nullptr;
    qint64 from_ = 0;
    qint64 to_ = 0;
    qint64 now_ = 0;
};

} // namespace quendal
