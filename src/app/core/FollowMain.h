#pragma once

#include <QString>
#include <QStringList>

namespace quendal {

// Whether the command line asks to follow a service (--follow).
bool isFollow(const QStringList& arguments);

// quendal-syslog --follow [-n N] [--category C] [--host H] [--viewer-socket PATH]: the newest N
// entries of a running service (oldest first), then every new one, as the lines the receiver
// without a window prints, until SIGINT or SIGTERM. Exit codes as that receiver's.
int followMain(int argc, char** argv);

// The options' help.
QString followUsage();

} // namespace quendal
