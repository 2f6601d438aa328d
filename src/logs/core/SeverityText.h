#pragma once

#include "logs/core/LogEntry.h"

#include <QString>

namespace quendal {

// "warning (4)", in the UI language; "unknown" for Severity::Unknown.
QString severityText(Severity severity);

} // namespace quendal
