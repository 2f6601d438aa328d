#include "activity/gui/LinkRateChart.h"

#include "activity/gui/TimeAxis.h"
#include "common/core/DisplayText.h"
#include "common/core/UiText.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QDateTime>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QValueAxis>

#include <algorithm>
#include <limits>

namespace quendal {
namespace {

QString timeText(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString valueText(double value)
{
    return isKnown(value) ? QLocale().toString(value, 'f', value == std::floor(value) ? 0 : 1)
                          : QStringLiteral("-");
}

QLineSeries* lineSeries(const QString& name, const QColor& colour, Qt::PenStyle style, qreal width)
{
    auto* series = new QLineSeries;
    series->setName(name);
    QPen pen(colour);
    pen.setWidthF(width);
    pen.setStyle(style);
    series->setPen(pen);
    return series;
}

} // namespace

LinkRateChart::LinkRateChart(QObject* parent)
    : QObject(parent), chart_(new QChart),
      tx_(lineSeries(GetUiText(UiTextId::TxRate), QColor(0x1f, 0x77, 0xb4), Qt::SolidLine, 1.6)),
      rx_(lineSeries(GetUiText(UiTextId::RxRate), QColor(0x2c, 0xa0, 0x2c), Qt::SolidLine, 1.6)),
      modes_(
          lineSeries(GetUiText(UiTextId::ModeChange), QColor(0x80, 0x30, 0xa0), Qt::DashLine, 1.2)),
      resets_(lineSeries(GetUiText(UiTextId::CounterReset), QColor(0xe0, 0x80, 0x00), Qt::DotLine,
                         1.2)),
      gapEdge_(new QLineSeries), gaps_(new QAreaSeries(gapEdge_)), time_(makeTimeAxis()),
      values_(new QValueAxis)
{
    gapEdge_->setParent(gaps_); // an area series does not own its edge
    gaps_->setName(GetUiText(UiTextId::NoReport));
    gaps_->setColor(QColor(0x90, 0x90, 0x90, 0x50));
    gaps_->setBorderColor(Qt::transparent);
    chart_->addSeries(gaps_);
    chart_->addSeries(resets_);
    chart_->addSeries(modes_); // over a reset at the same time: a reconnection says more
    chart_->addSeries(tx_);
    chart_->addSeries(rx_);
    chart_->addAxis(time_, Qt::AlignBottom);
    chart_->addAxis(values_, Qt::AlignLeft);
    for (QAbstractSeries* s : chart_->series()) {
        s->attachAxis(time_);
        s->attachAxis(values_);
    }
    values_->setLabelFormat(QStringLiteral("%.0f"));
    values_->setMin(0);
    values_->setTitleText(GetUiText(UiTextId::RateAxisTitle));
    chart_->legend()->setAlignment(Qt::AlignTop);
    chart_->setMargins(QMargins(4, 4, 4, 4));
}

void LinkRateChart::show(const LinkSeries* series, const QString& title, qint64 from, qint64 to,
                         qint64 now)
{
    shown_ = series;
    from_ = from;
    to_ = to;
    now_ = now;
    chart_->setTitle(title);
    showTimeRange(time_, from, to);

    // A line stops where the router fell silent and starts again with its next report: a line
    // across a stretch without reports would show values nobody reported.
    std::vector<QList<QPointF>> tx(1);
    std::vector<QList<QPointF>> rx(1);
    double top = 1;
    if (series) {
        std::vector<std::pair<qint64, qint64>> gaps;
        for (const LinkEvent& e : series->events())
            if (e.kind == LinkEvent::Gap && e.until >= from && e.at <= to)
                gaps.emplace_back(e.at, e.until);
        const std::vector<LinkPoint> points = series->view(from, to, kMaxDrawnPoints);
        auto gap = gaps.begin();
        qint64 previous = std::numeric_limits<qint64>::min();
        for (const LinkPoint& p : points) {
            // A silence that began after the previous point shown ends the line there.
            bool silence = false;
            for (; gap != gaps.end() && gap->first < p.at; ++gap)
                silence = silence || gap->first >= previous;
            if (silence && previous != std::numeric_limits<qint64>::min()) {
                tx.emplace_back();
                rx.emplace_back();
            }
            previous = p.at;
            if (isKnown(p.txRate)) {
                tx.back().append(QPointF(double(p.at), p.txRate));
                top = std::max(top, p.txRate);
            }
            if (isKnown(p.rxRate)) {
                rx.back().append(QPointF(double(p.at), p.rxRate));
                top = std::max(top, p.rxRate);
            }
        }
    }
    values_->setRange(0, top * 1.1);
    values_->applyNiceNumbers();
    top = values_->max();
    showParts(tx_, txMore_, tx);
    showParts(rx_, rxMore_, rx);

    // Vertical marks: each one down to the axis, where the next one starts.
    QList<QPointF> modes;
    QList<QPointF> resets;
    QList<QPointF> gaps;
    if (series) {
        for (const LinkEvent& e : series->events()) {
            if (e.until < from || e.at > to)
                continue;
            const double at = double(e.at);
            switch (e.kind) {
            case LinkEvent::ModeChange:
                modes << QPointF(at, 0) << QPointF(at, top) << QPointF(at, 0);
                break;
            case LinkEvent::CounterReset:
                resets << QPointF(at, 0) << QPointF(at, top) << QPointF(at, 0);
                break;
            case LinkEvent::Gap:
                gaps << QPointF(at, 0) << QPointF(at, top) << QPointF(double(e.until), top)
                     << QPointF(double(e.until), 0);
                break;
            }
        }
        if (series->silentAt(now) && series->latest()) {
            const double at = double(series->latest()->at);
            gaps << QPointF(at, 0) << QPointF(at, top) << QPointF(double(now), top)
                 << QPointF(double(now), 0);
        }
    }
    modes_->replace(modes);
    resets_->replace(resets);
    gapEdge_->replace(gaps);
}

void LinkRateChart::showParts(QLineSeries* first, std::vector<QLineSeries*>& more,
                              const std::vector<QList<QPointF>>& parts)
{
    first->replace(parts.front());
    for (size_t i = 1; i < parts.size(); ++i) {
        if (more.size() < i) {
            // Drawn like the first, and not listed in the legend a second time.
            auto* part = new QLineSeries;
            part->setPen(first->pen());
            chart_->addSeries(part);
            part->attachAxis(time_);
            part->attachAxis(values_);
            for (QLegendMarker* marker : chart_->legend()->markers(part))
                marker->setVisible(false);
            more.push_back(part);
        }
        more[i - 1]->replace(parts[i]);
    }
    for (size_t i = parts.size(); i <= more.size(); ++i)
        more[i - 1]->clear();
}

QString LinkRateChart::tooltipAt(QPointF value) const
{
    if (!shown_)
        return {};
    const auto at = qint64(value.x());
    // Marks within a few pixels' worth of time come first: they are thin.
    const qint64 near = std::max<qint64>(1000, (to_ - from_) / 200);
    QStringList lines;
    for (const LinkEvent& e : shown_->events()) {
        if (e.kind == LinkEvent::Gap) {
            if (at >= e.at && at <= e.until)
                lines << QStringLiteral("%1: %2 - %3")
                             .arg(GetUiText(UiTextId::NoReport), timeText(e.at), timeText(e.until));
        } else if (std::abs(e.at - at) <= near) {
            lines << QStringLiteral("%1: %2").arg(
                timeText(e.at), e.kind == LinkEvent::ModeChange
                                    ? GetUiText(UiTextId::ModeNumber).arg(decodeForDisplay(e.mode))
                                    : GetUiText(UiTextId::CounterReset));
        }
    }
    if (const LinkPoint* p = shown_->nearest(at); p && p->at >= from_ && p->at <= to_) {
        QString point = QStringLiteral("%1\n%2: %3\n%4: %5")
                            .arg(timeText(p->at), GetUiText(UiTextId::TxRate), valueText(p->txRate),
                                 GetUiText(UiTextId::RxRate), valueText(p->rxRate));
        if (isKnown(p->txPacketRate) || isKnown(p->rxPacketRate))
            point += QStringLiteral("\n%1: %2\n%3: %4")
                         .arg(GetUiText(UiTextId::TxPacketsPerSecond), valueText(p->txPacketRate),
                              GetUiText(UiTextId::RxPacketsPerSecond), valueText(p->rxPacketRate));
        lines.prepend(point);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace quendal
