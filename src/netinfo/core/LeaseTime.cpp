#include "netinfo/core/LeaseTime.h"

#include <array>
#include <ctime>

namespace quendal {

QString formatLeaseTime(qint64 secondsSinceEpoch)
{
    // The form holds a four-digit year: a later time (from a damaged or hostile lease file) is
    // as unknown as a negative one, rather than a wrong date.
    if (secondsSinceEpoch < 0 || secondsSinceEpoch > kLastLeaseTime)
        return {};
    const std::time_t time = std::time_t(secondsSinceEpoch);
    std::tm parts{};
    if (!gmtime_r(&time, &parts))
        return {};
    // Written out rather than asctime(): glibc pads the day with a blank, the lease fields show
    // two digits.
    static constexpr std::array<const char*, 7> days = {"Sun", "Mon", "Tue", "Wed",
                                                        "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> months = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return QString::asprintf("%s %s %02d %02d:%02d:%02d %d\n", days[size_t(parts.tm_wday)],
                             months[size_t(parts.tm_mon)], parts.tm_mday, parts.tm_hour,
                             parts.tm_min, parts.tm_sec, parts.tm_year + 1900);
}

} // namespace quendal
