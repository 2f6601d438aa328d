#pragma once

#include <QString>
#include <QStringList>

namespace quendal {

// The whole receiver without a window, as a program: options, --help, --version, the run and
// its exit code. Shared by `quendal-syslog --headless` and the service binary `quendal-syslogd`,
// so both behave the same; `program` names it in messages and `usageCommand` in the help.
// Call reopenClosedStandardDescriptors() before, first thing in main.
int headlessMain(int argc, char** argv, const QString& program, const QString& usageCommand);

// Takes "--router-search VALUE" or "--router-search=VALUE" out of `arguments` and makes it the
// process's search target. False, with the reason in `error`, when the value is malformed.
bool takeRouterSearchOption(QStringList& arguments, QString* error);

} // namespace quendal
