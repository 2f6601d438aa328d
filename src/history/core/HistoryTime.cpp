#include "history/core/HistoryTime.h"

#include <QDate>
#include <QDateTime>

namespace quendal {
namespace {

constexpr qint64 kDayMs = 24LL * 60 * 60 * 1000;

} // namespace

int yearNotAfter(const ClassicTime& time, qint64 notAfterMs)
{
    const int latest = QDateTime::fromMSecsSinceEpoch(notAfterMs + kDayMs).date().year();
    // Eight years back reach a Feb 29 from any year.
    for (int year = latest; year > latest - 8; --year) {
        if (const auto at = classicInYear(time, year); at && *at <= notAfterMs + kDayMs)
            return year;
    }
    return latest - 1;
}

int FileDating::note(const ClassicTime& time)
{
    if (lastMonth_ == 12 && time.month == 1)
        ++turns_;
    lastMonth_ = time.month;
    newest_ = time;
    newestYear_.reset();
    return turns_;
}

int FileDating::yearOfNewest() const
{
    if (!newestYear_)
        newestYear_ = newest_ ? yearNotAfter(*newest_, modifiedMs_) : 0;
    return *newestYear_;
}

std::optional<qint64> FileDating::date(const ClassicTime& time, int turns) const
{
    return classicInYear(time, yearOfNewest() - (turns_ - turns));
}

std::optional<qint64> parseSearchTime(const QString& text)
{
    const QString t = text.trimmed();
    for (const auto* format :
         {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-ddTHH:mm"}) {
        const QDateTime at = QDateTime::fromString(t, QString::fromLatin1(format));
        if (at.isValid())
            return at.toMSecsSinceEpoch();
    }
    return std::nullopt;
}

} // namespace quendal
