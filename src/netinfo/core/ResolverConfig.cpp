#include "netinfo/core/ResolverConfig.h"

#include <algorithm>

namespace quendal {
namespace {

bool isResolvedStub(const QString& address)
{
    return address == QLatin1String("127.0.0.53") || address == QLatin1String("127.0.0.54");
}

} // namespace

QStringList parseNameservers(const QString& resolvConf)
{
    QStringList servers;
    for (const QString& line : resolvConf.split(QLatin1Char('\n'))) {
        const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.size() >= 2 && words[0] == QLatin1String("nameserver"))
            servers.append(words[1]);
    }
    return servers;
}

QStringList chooseDnsServers(const QString& resolvConf,
                             const std::optional<QString>& resolvedUpstream)
{
    const QStringList servers = parseNameservers(resolvConf);
    const bool onlyStub =
        !servers.isEmpty() && std::all_of(servers.begin(), servers.end(), isResolvedStub);
    if (onlyStub && resolvedUpstream) {
        const QStringList upstream = parseNameservers(*resolvedUpstream);
        if (!upstream.isEmpty())
            return upstream;
    }
    return servers;
}

} // namespace quendal
