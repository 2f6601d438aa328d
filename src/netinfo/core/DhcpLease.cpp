#include "netinfo/core/DhcpLease.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QTimeZone>
#include <QtNumeric>

namespace quendal {
namespace {

// A time before 1970 is as unknown as a missing one.
qint64 knownTime(qint64 seconds)
{
    return seconds >= 0 ? seconds : -1;
}

// A dhclient time statement's value: "4 2024/01/04 22:00:00" (UTC) or "epoch 1704405600".
qint64 parseDhclientTime(const QString& value)
{
    const QStringList words = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() >= 2 && words[0] == QLatin1String("epoch")) {
        bool ok = false;
        const qint64 seconds = words[1].toLongLong(&ok);
        return ok ? knownTime(seconds) : -1;
    }
    if (words.size() < 3)
        return -1;
    QDateTime time = QDateTime::fromString(words[1] + QLatin1Char(' ') + words[2],
                                           QStringLiteral("yyyy/M/d H:m:s"));
    if (!time.isValid())
        return -1;
    time.setTimeZone(QTimeZone::utc());
    return knownTime(time.toSecsSinceEpoch());
}

QString unquoted(QString text)
{
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        return text.mid(1, text.size() - 2);
    return text;
}

// The files and command output these times come from are not ours: a negative length, or a
// result before 1970 or past what a time can hold, is unknown (-1), never a wrapped-round date.
qint64 obtainedFrom(qint64 expires, const QString& leaseSeconds)
{
    bool ok = false;
    const qint64 length = leaseSeconds.toLongLong(&ok);
    if (!ok || expires < 0 || length < 0 || length > expires)
        return -1;
    return expires - length;
}

qint64 expiresFrom(qint64 obtained, qint64 lifetime)
{
    qint64 expires = -1;
    if (obtained < 0 || lifetime < 0 || qAddOverflow(obtained, lifetime, &expires))
        return -1;
    return expires;
}

} // namespace

std::optional<DhcpLease> parseDhclientLeases(const QString& text, const QString& interfaceName)
{
    std::optional<DhcpLease> newest;
    // Statements end at ';'; blocks open with '{' and close with '}'.
    QString statement, leaseSeconds, interface;
    DhcpLease lease;
    bool inLease = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('{')) {
            inLease = statement.trimmed() == QLatin1String("lease");
            lease = {};
            interface.clear();
            leaseSeconds.clear();
            statement.clear();
        } else if (c == QLatin1Char('}')) {
            if (inLease && interface == interfaceName)
                newest = lease;
            inLease = false;
            statement.clear();
        } else if (c == QLatin1Char(';')) {
            const QString s = statement.simplified();
            statement.clear();
            if (!inLease)
                continue;
            const qsizetype space = s.indexOf(QLatin1Char(' '));
            const QString key = s.left(space), value = space < 0 ? QString() : s.mid(space + 1);
            if (key == QLatin1String("interface"))
                interface = unquoted(value);
            else if (key == QLatin1String("fixed-address"))
                lease.address = value;
            else if (key == QLatin1String("expire"))
                lease.expires = parseDhclientTime(value);
            else if (key == QLatin1String("option")) {
                const qsizetype gap = value.indexOf(QLatin1Char(' '));
                const QString name = value.left(gap), argument = value.mid(gap + 1);
                if (name == QLatin1String("dhcp-server-identifier"))
                    lease.server = argument;
                else if (name == QLatin1String("dhcp-lease-time"))
                    leaseSeconds = argument;
            }
            if (!leaseSeconds.isEmpty())
                lease.obtained = obtainedFrom(lease.expires, leaseSeconds);
        } else if (c == QLatin1Char('\n') && statement.trimmed().startsWith(QLatin1Char('#'))) {
            statement.clear(); // a comment line
        } else {
            statement.append(c);
        }
    }
    return newest;
}

std::optional<DhcpLease> parseNetworkdLease(const QString& text, qint64 writtenAt)
{
    QHash<QString, QString> values;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && !line.startsWith(QLatin1Char('#')))
            values.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    if (!values.contains(QStringLiteral("ADDRESS")))
        return std::nullopt;
    DhcpLease lease;
    lease.address = values.value(QStringLiteral("ADDRESS"));
    lease.server = values.value(QStringLiteral("SERVER_ADDRESS"));
    lease.obtained = knownTime(writtenAt);
    bool ok = false;
    const qint64 lifetime = values.value(QStringLiteral("LIFETIME")).toLongLong(&ok);
    lease.expires = ok ? expiresFrom(writtenAt, lifetime) : -1;
    return lease;
}

std::optional<DhcpLease> parseNmcliDhcp4(const QString& text)
{
    QHash<QString, QString> options;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QLatin1String("DHCP4.OPTION")))
            continue;
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        const QString option = line.mid(colon + 1);
        const qsizetype equals = option.indexOf(QLatin1String(" = "));
        if (colon < 0 || equals < 0)
            continue;
        options.insert(option.left(equals).trimmed(), option.mid(equals + 3).trimmed());
    }
    if (options.isEmpty())
        return std::nullopt;
    DhcpLease lease;
    lease.address = options.value(QStringLiteral("ip_address"));
    lease.server = options.value(QStringLiteral("dhcp_server_identifier"));
    bool ok = false;
    const qint64 expiry = options.value(QStringLiteral("expiry")).toLongLong(&ok);
    lease.expires = ok ? knownTime(expiry) : -1;
    lease.obtained = obtainedFrom(lease.expires, options.value(QStringLiteral("dhcp_lease_time")));
    return lease;
}

} // namespace quendal
