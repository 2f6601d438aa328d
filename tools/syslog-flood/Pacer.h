#pragma once

#include <chrono>
#include <cstdint>

namespace quendal::flood {

// Keeps datagram i at start + i / rate. Each datagram's time is computed from the start rather
// than from the one before, so oversleeping and slow sends are caught up by the next batch
// instead of adding up to drift.
class Pacer
{
public:
    using Clock = std::chrono::steady_clock;

    // rate in datagrams per second; 0 means no pacing.
    explicit Pacer(double rate) : rate_(rate) {}

    void start() { start_ = Clock::now(); }
    Clock::time_point startTime() const { return start_; }

    // How many of total datagrams are due by now, counted from the start.
    std::uint64_t due(std::uint64_t total) const;

    // Sleeps until datagram index is due, or for a second if that is later.
    void waitFor(std::uint64_t index) const;

private:
    double rate_;
    Clock::time_point start_;
};

} // namespace quendal::flood
