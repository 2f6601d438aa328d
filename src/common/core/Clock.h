#pragma once

#include <QDateTime>
#include <QtGlobal>

namespace quendal {

// Where the engine reads the time: intervals (rotation checks, rates, throttling) from a
// monotonic count, what is shown and stored from the wall clock. Tests hand in a ManualClock
// and move it instead of waiting for time to pass.
class Clock
{
public:
    virtual ~Clock() = default;
    // Milliseconds from an arbitrary start; never goes back.
    virtual qint64 monotonicMs() const = 0;
    // Milliseconds since the epoch, as QDateTime::currentMSecsSinceEpoch().
    virtual qint64 wallMs() const = 0;
    QDateTime wallTime() const { return QDateTime::fromMSecsSinceEpoch(wallMs()); }

    // The system's clocks; the default wherever a clock is not handed in.
    static Clock& system();
};

// A clock that stands still until it is moved.
class ManualClock : public Clock
{
public:
    explicit ManualClock(qint64 wallMs = 1'765'000'000'000) : wall_(wallMs) {}
    qint64 monotonicMs() const override { return monotonic_; }
    qint64 wallMs() const override { return wall_; }
    // Moves both clocks forward.
    void advance(qint64 ms)
    {
        monotonic_ += ms;
        wall_ += ms;
    }
    // Sets the wall clock alone (a clock step, a new day).
    void setWallMs(qint64 ms) { wall_ = ms; }

private:
    qint64 monotonic_ = 0;
    qint64 wall_;
};

} // namespace quendal
