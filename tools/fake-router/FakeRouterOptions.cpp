#include "FakeRouterOptions.h"

namespace quendal::fakerouter {

const char* const kFakeRouterUsage =
    "Usage: quendal-fake-router --listen ADDRESS:PORT [--mac 00507FA1B2C3] [--ip 192.168.1.1]\n"
    "                           [--mask 255.255.255.0] [--count N] [--allow-non-loopback]\n"
    "Answers every router search request (DD 80 ...) that reaches ADDRESS:PORT with a 54-byte\n"
    "reply to its sender. PORT 0 takes a free port; the port is printed on stderr.\n";

namespace {

bool parseListen(const QString& text, FakeRouterOptions& options)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    if (!ok || port > 65535 || !options.listenAddress.setAddress(text.left(colon)) ||
        options.listenAddress.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    options.listenPort = quint16(port);
    return true;
}

} // namespace

std::optional<FakeRouterOptions> parseFakeRouterOptions(const QStringList& arguments,
                                                        QString* error)
{
    FakeRouterOptions options;
    bool listenGiven = false;
    auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& name = arguments[i];
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            options.help = true;
            return options;
        }
        if (name == QLatin1String("--allow-non-loopback")) {
            options.allowNonLoopback = true;
            continue;
        }
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("%1 needs a value").arg(name));
        const QString value = arguments[++i];
        if (name == QLatin1String("--listen")) {
            if (!parseListen(value, options))
                return fail(QStringLiteral("--listen takes IPV4ADDRESS:PORT, not %1").arg(value));
            listenGiven = true;
        } else if (name == QLatin1String("--mac")) {
            options.router.mac = value.toUpper();
        } else if (name == QLatin1String("--ip")) {
            options.router.ipAddress = value;
        } else if (name == QLatin1String("--mask")) {
            options.router.subnetMask = value;
        } else if (name == QLatin1String("--count")) {
            bool ok = false;
            options.count = value.toInt(&ok);
            if (!ok || options.count < 0)
                return fail(QStringLiteral("--count takes a number of 0 or more"));
        } else {
            return fail(QStringLiteral("unknown option %1").arg(name));
        }
    }
    if (!listenGiven)
        return fail(QStringLiteral("--listen is required"));
    if (!options.listenAddress.isLoopback() && !options.allowNonLoopback)
        return fail(QStringLiteral("%1 is not a loopback address (add --allow-non-loopback)")
                        .arg(options.listenAddress.toString()));
    if (!buildSearchReply(options.router))
        return fail(QStringLiteral("--mac takes twelve hex digits, --ip and --mask dotted IPv4"));
    return options;
}

} // namespace quendal::fakerouter
