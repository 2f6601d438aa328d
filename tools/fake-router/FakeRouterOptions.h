#pragma once

#include "netinfo/core/RouterSearch.h"

#include <QHostAddress>
#include <QStringList>

#include <optional>

namespace quendal::fakerouter {

struct FakeRouterOptions
{
    QHostAddress listenAddress;
    quint16 listenPort = 0;
    RouterReply router{QStringLiteral("00507FA1B2C3"), QStringLiteral("192.168.1.1"),
                       QStringLiteral("255.255.255.0")};
    // Requests to answer before exiting; 0 answers until killed.
    int count = 0;
    bool allowNonLoopback = false;
    bool help = false;
};

// The command line without the program name. On a mistake: none, and the reason in `error`.
// A listen address outside 127.0.0.0/8 is refused unless --allow-non-loopback is given.
std::optional<FakeRouterOptions> parseFakeRouterOptions(const QStringList& arguments,
                                                        QString* error);

extern const char* const kFakeRouterUsage;

} // namespace quendal::fakerouter
