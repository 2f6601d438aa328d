#pragma once

#include "netinfo/core/RouterSearch.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quendal {

// The whole receiver without a window, as a program: options, --help, --version, the run and
// its exit code. Shared by `quendal-syslog --headless` and the service binary `quendal-syslogd`,
// so both behave the same; `program` names it in messages and `usageCommand` in the help.
// Call reopenClosedStandardDescriptors() before, first thing in main.
int headlessMain(int argc, char** argv, const QString& program, const QString& usageCommand);

// Takes "--router-search VALUE" or "--router-search=VALUE" out of `arguments` into `target` (the
// last one given counts). False, with the reason in `error`, when the value is malformed.
bool takeRouterSearchOption(QStringList& arguments, std::optional<RouterSearchTarget>& target,
                            QString* error);

} // namespace quendal
