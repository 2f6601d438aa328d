#include "netinfo/core/DnsCycle.h"

namespace quendal {

int nextDnsIndex(const std::array<QString, kDnsServerSlots>& servers, int current)
{
    const int next = current + 1;
    if (next < 0 || next >= kDnsServerSlots || servers[size_t(next)].isEmpty())
        return 0;
    return next;
}

} // namespace quendal
