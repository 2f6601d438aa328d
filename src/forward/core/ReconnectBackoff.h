#pragma once

#include <QtGlobal>

#include <random>

namespace quendal {

// Pauses between connection attempts: from 1 s, doubling up to 60 s, each with up to a fifth
// taken off at random so that many relays restarted together do not reconnect in step.
class ReconnectBackoff
{
public:
    static constexpr qint64 kFirstMs = 1000;
    static constexpr qint64 kLongestMs = 60'000;

    // The pause before the next attempt, after one more failure.
    qint64 nextDelayMs();
    // A connection worked: the next failure starts from the first pause again.
    void reset() { failures_ = 0; }

private:
    int failures_ = 0;
    std::minstd_rand random_{std::random_device{}()};
};

} // namespace quendal
