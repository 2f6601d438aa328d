#include "MessageGenerator.h"

namespace quendal::flood {

namespace {

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr std::uint32_t kMillisecondsPerDay = 24 * 3600 * 1000;

// How much of the traffic each facility makes up; firewall lines dominate on a real router.
std::uint32_t shareOf(Facility facility)
{
    switch (facility) {
    case Facility::FireWall:
        return 36;
    case Facility::Vpn:
        return 12;
    case Facility::UserAccess:
        return 8;
    case Facility::Call:
        return 14;
    case Facility::Wan:
        return 12;
    case Facility::Status:
        return 18;
    }
    return 1;
}

} // namespace

SyslogClock::SyslogClock(Random& random)
{
    month_ = static_cast<int>(random.below(12));
    day_ = static_cast<int>(random.between(1, static_cast<std::uint32_t>(kDaysInMonth[month_])));
    millisecondOfDay_ = random.below(kMillisecondsPerDay);
}

void SyslogClock::advance(std::uint32_t milliseconds)
{
    millisecondOfDay_ += milliseconds;
    while (millisecondOfDay_ >= kMillisecondsPerDay) {
        millisecondOfDay_ -= kMillisecondsPerDay;
        if (++day_ > kDaysInMonth[month_]) {
            day_ = 1;
            month_ = (month_ + 1) % 12;
        }
    }
}

void SyslogClock::write(MessageText& out) const
{
    const std::uint32_t seconds = millisecondOfDay_ / 1000;
    out << kMonths[month_] << ' ';
    if (day_ < 10)
        out << ' ' << static_cast<char>('0' + day_);
    else
        out.twoDigits(static_cast<unsigned>(day_));
    out << ' ';
    out.twoDigits(seconds / 3600);
    out << ':';
    out.twoDigits(seconds / 60 % 60);
    out << ':';
    out.twoDigits(seconds % 60);
}

MessageGenerator::MessageGenerator(std::uint64_t seed, std::string hostname,
                                   std::vector<Facility> facilities)
    : random_(seed), events_(random_), clock_(random_), hostname_(std::move(hostname)),
      facilities_(std::move(facilities))
{
    for (Facility facility : facilities_) {
        totalWeight_ += shareOf(facility);
        weights_.push_back(totalWeight_);
    }
}

Facility MessageGenerator::pickFacility()
{
    const std::uint32_t r = random_.below(totalWeight_);
    std::size_t index = 0;
    while (r >= weights_[index])
        ++index;
    return facilities_[index];
}

std::string_view MessageGenerator::next()
{
    ++sequence_;
    clock_.advance(random_.below(400));

    // Facilities 16 to 21 always give a three-digit priority, so its place is known before
    // the event has decided on the severity.
    text_.clear();
    text_ << "<000>";
    clock_.write(text_);
    text_ << ' ' << hostname_ << ": ";

    const Facility facility = pickFacility();
    const int priority = static_cast<int>(facility) * 8 + events_.write(facility, text_);
    text_[1] = static_cast<char>('0' + priority / 100);
    text_[2] = static_cast<char>('0' + priority / 10 % 10);
    text_[3] = static_cast<char>('0' + priority % 10);

    if (!text_.view().ends_with(' '))
        text_ << ' ';
    text_ << "seq=" << sequence_;
    return text_.view();
}

} // namespace quendal::flood
