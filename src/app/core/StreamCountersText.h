#pragma once

#include "receiver/core/IntakeStep.h"

#include <QString>

namespace quendal {

// What TCP and TLS did, for the summary, --stats and the service's status: "; 5 messages over
// TCP, 2 over TLS; connections: 1 open, 3 accepted, ...". Empty while neither took a connection.
QString streamCountersText(const IntakeCounters& counters);

} // namespace quendal
