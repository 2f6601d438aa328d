#pragma once

#include "netinfo/core/NetworkInfo.h"

namespace quendal {

// The DNS entry the "..." button shows next after `current`: the following entry, or entry 0
// when that one is empty or lies past the tenth.
int nextDnsIndex(const std::array<QString, kDnsServerSlots>& servers, int current);

} // namespace quendal
