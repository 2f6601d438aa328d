#pragma once

#include "app/core/HeadlessConfiguration.h"

namespace quendal {

// Exit codes of the receiver without a window.
enum HeadlessExit
{
    ExitOk = 0,
    ExitFailure = 1,
    ExitBadOption = 2
};

// Runs the receiver without a window until SIGINT or SIGTERM: the same intake, host filter,
// Replay and log files as the window, with every stored entry and every change of the status
// panels printed on standard output. Problems that stop it from starting (a port that cannot be
// bound, a log folder that cannot be written) are printed on standard error as one line each.
// SIGHUP reads the configuration again from `source` (HeadlessReload). Needs a
// QCoreApplication.
int runHeadless(const HeadlessOptions& options, const ConfigurationSource& source);

} // namespace quendal
