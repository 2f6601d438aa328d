#pragma once

#include "MessageText.h"
#include "Random.h"
#include "RouterEvents.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quendal::flood {

// The router's own clock as it stamps its messages: "Mmm dd hh:mm:ss", a single-digit day
// padded with a blank. It starts at a point chosen by the seed and only moves forward.
class SyslogClock
{
public:
    explicit SyslogClock(Random& random);
    void advance(std::uint32_t milliseconds);
    void write(MessageText& out) const;

private:
    int month_ = 0; // 0 to 11
    int day_ = 1;
    std::uint32_t millisecondOfDay_ = 0;
};

// Produces the datagrams "<PRI>Mmm dd hh:mm:ss HOST: message seq=N" one after the other, the
// same sequence for the same seed, host name and facilities. N counts from 1, so a receiver
// can tell which datagrams went missing.
class MessageGenerator
{
public:
    MessageGenerator(std::uint64_t seed, std::string hostname, std::vector<Facility> facilities);

    // The next datagram; the view stays valid until the next call.
    std::string_view next();

private:
    Facility pickFacility();

    Random random_;
    RouterEvents events_;
    SyslogClock clock_;
    std::string hostname_;
    std::vector<Facility> facilities_;
    std::vector<std::uint32_t> weights_;
    std::uint32_t totalWeight_ = 0;
    std::uint64_t sequence_ = 0;
    MessageText text_;
};

} // namespace quendal::flood
