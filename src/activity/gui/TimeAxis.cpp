#include "activity/gui/TimeAxis.h"

#include "common/core/UiText.h"

#include <QCategoryAxis>
#include <QDateTime>

#include <array>

namespace quendal {
namespace {

constexpr qint64 kMinuteMs = 60000;
constexpr int kMostTicks = 6;

} // namespace

QCategoryAxis* makeTimeAxis()
{
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setTitleText(GetUiText(UiTextId::TimeColumn));
    return axis;
}

qint64 timeTickStep(qint64 span)
{
    static constexpr std::array<qint64, 13> kMinutes = {1,  2,  3,   5,   10,  15, 20,
                                                        30, 60, 120, 180, 240, 360};
    for (qint64 minutes : kMinutes)
        if (span / (minutes * kMinuteMs) <= kMostTicks)
            return minutes * kMinuteMs;
    return kMinutes.back() * kMinuteMs;
}

void showTimeRange(QCategoryAxis* axis, qint64 from, qint64 to)
{
    for (const QString& label : axis->categoriesLabels())
        axis->remove(label);
    const qint64 step = timeTickStep(to - from);
    // Ticks on whole steps of the local clock, not of UTC's.
    const qint64 offset = qint64(QDateTime::fromMSecsSinceEpoch(from).offsetFromUtc()) * 1000;
    qint64 tick = ((from + offset) / step + 1) * step - offset;
    axis->setStartValue(double(from));
    for (; tick <= to; tick += step) {
        const QString label =
            QDateTime::fromMSecsSinceEpoch(tick).toString(QStringLiteral("HH:mm"));
        // Labels must differ: across a clock step two ticks could read alike.
        if (!axis->categoriesLabels().contains(label))
            axis->append(label, double(tick));
    }
    axis->setRange(double(from), double(to));
}

} // namespace quendal
