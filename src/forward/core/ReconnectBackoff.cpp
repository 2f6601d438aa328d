#include "forward/core/ReconnectBackoff.h"

#include <algorithm>

namespace quendal {

qint64 ReconnectBackoff::nextDelayMs()
{
    const qint64 full = std::min(kLongestMs, kFirstMs << std::min(failures_, 6));
    ++failures_;
    std::uniform_int_distribution<qint64> jitter(0, full / 5);
    return full - jitter(random_);
}

} // namespace quendal
