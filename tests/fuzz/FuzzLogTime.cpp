// The Time column of a log file read back, as the Activity tab counts it: the classic router
// time and RFC 3339. The first 8 bytes are the clock's "now", the rest is the Time text.
#include "FuzzSupport.h"
#include "activity/core/LogTime.h"

#include <QDateTime>

#include <algorithm>

namespace {

using quendal::fuzz::kDayMs;
// From the epoch to a day before the last one QDate writes with four digits.
constexpr qint64 kLatestNow = quendal::fuzz::kFourDigitYearsEndMs - 2 * kDayMs;

bool looksClassic(QByteArrayView t)
{
    return t.size() == 15 && t[3] == ' ' && t[6] == ' ' && t[9] == ':' && t[12] == ':';
}

int number(QByteArrayView t, qsizetype at, qsizetype count)
{
    return t.sliced(at, count).toByteArray().trimmed().toInt();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    fuzz::useUtcAsLocalTime();
    fuzz::FuzzInput input(data, size);
    const qint64 now = qint64(quint64(input.int64()) % quint64(kLatestNow + 1));
    const QByteArrayView text = input.rest();

    const std::optional<qint64> at = readLogTime(text, now);
    if (!at)
        return 0;
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(*at, Qt::UTC);
    FUZZ_CHECK(when.isValid());
    if (looksClassic(text)) {
        // Never more than a day ahead of now, at most two years back, and the same calendar
        // fields as the text.
        FUZZ_CHECK(*at <= now + kDayMs);
        FUZZ_CHECK(when.date().year() >=
                   QDateTime::fromMSecsSinceEpoch(now, Qt::UTC).date().year() - 1);
        FUZZ_CHECK(when.toString(QStringLiteral("MMM")).toLatin1() == text.first(3));
        FUZZ_CHECK(when.date().day() == number(text, 4, 2));
        FUZZ_CHECK(when.time().hour() == number(text, 7, 2));
        FUZZ_CHECK(when.time().minute() == number(text, 10, 2));
        FUZZ_CHECK(when.time().second() == number(text, 13, 2));
    } else {
        // RFC 3339: a date first.
        FUZZ_CHECK(text.size() >= 20 && text[4] == '-' && text[10] == 'T');
    }
    return 0;
}
