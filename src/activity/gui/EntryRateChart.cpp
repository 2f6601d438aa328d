#include "activity/gui/EntryRateChart.h"

#include "activity/gui/TimeAxis.h"
#include "common/core/UiText.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QDateTime>
#include <QLineSeries>
#include <QLocale>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>

namespace quendal {
namespace {

constexpr qint64 kMinuteMs = 60000;
const std::array<QColor, kCategoryCount> kColours = {
    QColor(0x4e, 0x79, 0xa7), QColor(0x59, 0xa1, 0x4f), QColor(0xf2, 0x8e, 0x2b),
    QColor(0xb0, 0x7a, 0xa1), QColor(0x76, 0xb7, 0xb2)};

} // namespace

EntryRateChart::EntryRateChart(QObject* parent)
    : QObject(parent), chart_(new QChart), emergencies_(new QScatterSeries), time_(makeTimeAxis()),
      values_(new QValueAxis)
{
    // Each category from zero up to its stacked total, the highest drawn first: the same picture
    // as areas between neighbours, at half the drawing.
    for (size_t i = areas_.size(); i-- > 0;) {
        uppers_[i] = new QLineSeries;
        areas_[i] = new QAreaSeries(uppers_[i]);
        uppers_[i]->setParent(areas_[i]); // an area series does not own its edge
        areas_[i]->setName(GetUiText(categoryTitle(kAllCategories[i])));
        areas_[i]->setColor(kColours[i]);
        areas_[i]->setBorderColor(kColours[i].darker(120));
        chart_->addSeries(areas_[i]);
    }
    emergencies_->setName(GetUiText(UiTextId::Emergencies));
    emergencies_->setColor(QColor(0xe0, 0, 0));
    emergencies_->setBorderColor(QColor(0x80, 0, 0));
    emergencies_->setMarkerSize(9);
    chart_->addSeries(emergencies_);
    chart_->addAxis(time_, Qt::AlignBottom);
    chart_->addAxis(values_, Qt::AlignLeft);
    for (QAbstractSeries* s : chart_->series()) {
        s->attachAxis(time_);
        s->attachAxis(values_);
    }
    values_->setLabelFormat(QStringLiteral("%.0f"));
    values_->setTitleText(GetUiText(UiTextId::EntriesAxisTitle));
    chart_->setTitle(GetUiText(UiTextId::EntriesPerMinute));
    chart_->legend()->setAlignment(Qt::AlignTop);
    chart_->setMargins(QMargins(4, 4, 4, 4));
}

void EntryRateChart::show(std::vector<MinuteCounts> minutes, qint64 from, qint64 to)
{
    shown_ = std::move(minutes);
    showTimeRange(time_, from, to);

    // Each step a flat run of `step` minutes at their mean per minute, so that a day stays a few
    // hundred steps; steps without entries drop to zero.
    step_ = std::max<qint64>(1, ((to - from) / kMinuteMs + kMaxSteps - 1) / kMaxSteps);
    std::array<QList<QPointF>, kCategoryCount> steps;
    QList<QPointF> marks;
    double top = 1;
    qint64 previousEnd = std::numeric_limits<qint64>::min();
    const auto dropToZero = [&steps](double at) {
        for (auto& s : steps)
            s << QPointF(at, 0);
    };
    for (auto it = shown_.begin(); it != shown_.end();) {
        const qint64 first = it->minute - ((it->minute % step_) + step_) % step_;
        MinuteCounts sum;
        for (; it != shown_.end() && it->minute < first + step_; ++it)
            sum.add(*it);
        const double start = double(first * kMinuteMs);
        const double end = double((first + step_) * kMinuteMs);
        if (first * kMinuteMs != previousEnd) {
            if (previousEnd != std::numeric_limits<qint64>::min())
                dropToZero(double(previousEnd));
            dropToZero(start);
        }
        double stacked = 0;
        for (size_t i = 0; i < steps.size(); ++i) {
            stacked += double(sum.entries[i]) / double(step_);
            steps[i] << QPointF(start, stacked) << QPointF(end, stacked);
        }
        top = std::max(top, stacked);
        if (sum.totalEmergencies() > 0)
            marks << QPointF((start + end) / 2, stacked);
        previousEnd = (first + step_) * kMinuteMs;
    }
    if (!shown_.empty())
        dropToZero(double(previousEnd));
    for (size_t i = 0; i < steps.size(); ++i)
        uppers_[i]->replace(steps[i]);
    emergencies_->replace(marks);
    values_->setRange(0, top * 1.1);
    values_->applyNiceNumbers();
}

const MinuteCounts* EntryRateChart::minuteAt(QPointF value) const
{
    const qint64 minute = minuteOf(qint64(value.x()));
    const auto it =
        std::lower_bound(shown_.begin(), shown_.end(), minute,
                         [](const MinuteCounts& m, qint64 wanted) { return m.minute < wanted; });
    return it != shown_.end() && it->minute == minute ? &*it : nullptr;
}

QString EntryRateChart::tooltipAt(QPointF value) const
{
    const MinuteCounts* m = minuteAt(value);
    if (!m)
        return {};
    const QLocale locale;
    QStringList lines;
    lines << QDateTime::fromMSecsSinceEpoch(m->minute * kMinuteMs)
                 .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    for (size_t i = 0; i < m->entries.size(); ++i) {
        if (m->entries[i] > 0)
            lines << QStringLiteral("%1: %2").arg(GetUiText(categoryTitle(kAllCategories[i])),
                                                  locale.toString(m->entries[i]));
    }
    if (const quint64 n = m->totalEmergencies(); n > 0)
        lines << QStringLiteral("%1: %2 (%3)")
                     .arg(GetUiText(UiTextId::Emergencies), locale.toString(n),
                          GetUiText(UiTextId::ClickToShow));
    return lines.join(QLatin1Char('\n'));
}

const MinuteCounts* EntryRateChart::emergencyNear(QPointF value) const
{
    // The step under the point, as drawn.
    const qint64 minute = minuteOf(qint64(value.x()));
    const qint64 first = minute - ((minute % step_) + step_) % step_;
    for (const MinuteCounts& m : shown_) {
        if (m.minute >= first && m.minute < first + step_ && m.totalEmergencies() > 0)
            return &m;
    }
    return nullptr;
}

} // namespace quendal
