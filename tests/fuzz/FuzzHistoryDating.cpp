// The dating of a log file's classic times, which carry no year, in a search of the files: the
// first 8 bytes are the file's modification time, the rest its Time lines in file order.
#include "FuzzSupport.h"
#include "history/core/HistoryTime.h"

#include <QDateTime>

namespace {

using quendal::fuzz::kDayMs;
// From the epoch to well before the last year QDate writes with four digits.
constexpr qint64 kLatestModified = quendal::fuzz::kFourDigitYearsEndMs - 20 * 366 * kDayMs;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    fuzz::useUtcAsLocalTime();
    fuzz::FuzzInput input(data, size);
    const qint64 modified = qint64(quint64(input.int64()) % quint64(kLatestModified + 1));

    FileDating dating(modified);
    QList<std::pair<ClassicTime, int>> noted;
    int turns = 0;
    int lastMonth = 0;
    while (!input.empty()) {
        const auto time = readClassicTime(input.until('\n'));
        if (!time)
            continue;
        noted.append({*time, dating.note(*time)});
        // Counted here the plain way: a January right after a December.
        turns += lastMonth == 12 && time->month == 1;
        lastMonth = time->month;
        FUZZ_CHECK(noted.last().second == turns);
    }

    std::optional<int> newerYear;
    for (auto it = noted.crbegin(); it != noted.crend(); ++it) {
        const auto& [time, turnsAt] = *it;
        const std::optional<qint64> at = dating.date(time, turnsAt);
        if (!at)
            continue; // Feb 29 in a year without one
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(*at, Qt::UTC);
        // The calendar fields as written, never after the file's time and a day's grace, and no
        // more than a year back from it plus a year per turn after the entry.
        FUZZ_CHECK(when.date().month() == time.month && when.date().day() == time.day);
        FUZZ_CHECK(when.time().msecsSinceStartOfDay() == time.secondOfDay * 1000);
        FUZZ_CHECK(*at <= modified + kDayMs);
        const int modifiedYear = QDateTime::fromMSecsSinceEpoch(modified, Qt::UTC).date().year();
        FUZZ_CHECK(when.date().year() >= modifiedYear - 8 - (turns - turnsAt));
        // Reading newest first, the year only ever steps back.
        if (newerYear)
            FUZZ_CHECK(when.date().year() <= *newerYear);
        newerYear = when.date().year();
    }
    return 0;
}
