#include "Pacer.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace quendal::flood {

std::uint64_t Pacer::due(std::uint64_t total) const
{
    if (rate_ <= 0)
        return total;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    // Datagram 0 is due at the start itself.
    const double count = std::floor(elapsed * rate_) + 1;
    return count >= static_cast<double>(total) ? total : static_cast<std::uint64_t>(count);
}

void Pacer::waitFor(std::uint64_t index) const
{
    if (rate_ <= 0)
        return;
    const double dueAt = static_cast<double>(index) / rate_;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    // At most a second at a time: the caller asks again, and a tiny rate cannot overflow the
    // clock's range.
    const double wait = std::min(dueAt - elapsed, 1.0);
    if (wait > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(wait));
}

} // namespace quendal::flood
