#include "app/core/HeadlessSettings.h"

#include "app/core/ForwardOptions.h"
#include "common/core/AddressText.h"
#include "common/core/SocketAddress.h"

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

constexpr int kMaxStatsSeconds = 24 * 60 * 60;
constexpr int kMaxRateLimit = 1000000;
constexpr int kMaxSenders = 10000000;
constexpr int kMaxViewerBacklog = 10'000'000;
constexpr int kMaxMessageSize = 16 * 1024 * 1024;
constexpr int kMaxConnections = 100000;

std::optional<int> parseNumber(const HeadlessSetting& setting, const QString& text)
{
    const auto value = parseBoundedDecimal(text, setting.maximum);
    if (text.isEmpty() || !value || *value < setting.minimum)
        return std::nullopt;
    return value;
}

QString numberNeeded(const HeadlessSetting& setting, const char* what)
{
    return QStringLiteral("%1 from %2 to %3")
        .arg(QLatin1StringView(what), QString::number(setting.minimum),
             QString::number(setting.maximum));
}

// "ADDRESS:PORT": dotted IPv4 as it stands, IPv6 in brackets ("[::1]:514"), since its own
// colons leave the port unclear otherwise.
std::optional<std::pair<QString, quint16>> parseAddressWithPort(const QString& text)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    const QString host = text.left(colon);
    const bool bracketed = host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'));
    if (host.contains(QLatin1Char(':')) && !bracketed)
        return std::nullopt;
    const QString portText = text.mid(colon + 1);
    const auto port = portText.isEmpty() ? std::nullopt : parsePortText(portText);
    const auto address = normalizedHostAddress(host);
    if (!port || !address)
        return std::nullopt;
    return std::pair{*address, quint16(*port)};
}

// A number within the setting's bounds into `into`; what is needed when it is not one.
template <typename Number>
QString storeNumberIn(const HeadlessSetting& s, const QString& v, Number& into, const char* what)
{
    const auto number = parseNumber(s, v);
    if (!number)
        return numberNeeded(s, what);
    into = Number(*number);
    return {};
}

// A text that may not be empty (a file, a folder, an address checked later).
template <typename Text> QString storeTextIn(const QString& v, Text& into, const QString& needed)
{
    if (v.isEmpty())
        return needed;
    into = v;
    return {};
}

QString storePort(const HeadlessSetting& s, const QString& v, HeadlessOptions& o)
{
    const auto port = parseNumber(s, v);
    if (!port)
        return numberNeeded(s, "a port number");
    o.port = quint16(*port);
    return {};
}

QString storeListen(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    // Checked at start with the bind, so that every unusable address ends alike.
    if (v.isEmpty())
        return u"an IPv4 or IPv6 address, such as 127.0.0.1 or ::1"_s;
    o.listen = v;
    return {};
}

QString storeLogDir(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    return storeTextIn(v, o.logDir, u"a folder"_s);
}

QString storeReplay(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    const auto target = parseAddressWithPort(v);
    if (!target && v.count(QLatin1Char(':')) > 1 && !v.startsWith(QLatin1Char('[')))
        return u"an IPv6 address in brackets before its port, such as [::1]:514"_s;
    if (!target)
        return u"an address and a port, such as 192.168.1.10:514 or [::1]:514"_s;
    o.replayAddress = target->first;
    o.replayPort = target->second;
    return {};
}

QString storeHost(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    const auto address = normalizedHostAddress(v);
    if (!address)
        return u"an IPv4 or IPv6 address, such as 192.168.1.1 or ::1"_s;
    o.host = *address;
    return {};
}

QString storeDebug(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    const auto on = parseFlagText(v);
    if (!on)
        return u"yes or no"_s;
    o.debug = *on;
    return {};
}

QString storeStats(const HeadlessSetting& s, const QString& v, HeadlessOptions& o)
{
    return storeNumberIn(s, v, o.statsSeconds, "a number of seconds");
}

QString storeAllow(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    QString error;
    auto prefixes = parseAddressPrefixes(v, &error);
    if (!prefixes)
        return u"networks such as 192.168.0.0/16, fd00::/8 ("_s + shownOnOneLine(error) + u')';
    o.allow = std::move(*prefixes);
    return {};
}

QString storeRateLimit(const HeadlessSetting& s, const QString& v, HeadlessOptions& o)
{
    return storeNumberIn(s, v, o.rateLimit, "a number of entries per second");
}

QString storeMaxSenders(const HeadlessSetting& s, const QString& v, HeadlessOptions& o)
{
    return storeNumberIn(s, v, o.maxSenders, "a number of senders");
}

QString storeViewerBacklog(const HeadlessSetting& s, const QString& v, HeadlessOptions& o)
{
    return storeNumberIn(s, v, o.viewerBacklog, "a number of entries");
}

QString storeViewerSocket(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    return storeTextIn(v, o.viewerSocket, u"a socket file"_s);
}

QString storeStreamPort(const HeadlessSetting& s, const QString& v, std::optional<quint16>& port)
{
    const auto number = parseNumber(s, v);
    if (!number)
        return numberNeeded(s, "a port number (0: off)");
    port = *number == 0 ? std::nullopt : std::optional<quint16>(quint16(*number));
    return {};
}

QString storeTcpPort(const HeadlessSetting& s, const QString& v, HeadlessOptions& o)
{
    return storeStreamPort(s, v, o.tcpPort);
}

QString storeTlsPort(const HeadlessSetting& s, const QString& v, HeadlessOptions& o)
{
    return storeStreamPort(s, v, o.tlsPort);
}

QString storeTlsCert(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    return storeTextIn(v, o.tlsCert, u"a file"_s);
}

QString storeTlsKey(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    return storeTextIn(v, o.tlsKey, u"a file"_s);
}

QString storeTlsClientCa(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    return storeTextIn(v, o.tlsClientCa, u"a file"_s);
}

QString storeMaxMessageSize(const HeadlessSetting& s, const QString& v, HeadlessOptions& o)
{
    return storeNumberIn(s, v, o.maxMessageSize, "a number of bytes");
}

QString storeMaxConnections(const HeadlessSetting& s, const QString& v, HeadlessOptions& o)
{
    return storeNumberIn(s, v, o.maxConnections, "a number of connections");
}

QString storeTcpIdleTimeout(const HeadlessSetting& s, const QString& v, HeadlessOptions& o)
{
    return storeNumberIn(s, v, o.tcpIdleTimeout, "a number of seconds");
}

QString storeConfig(const HeadlessSetting&, const QString& v, HeadlessOptions& o)
{
    return storeTextIn(v, o.configFile, u"a file"_s);
}

QString storeCheckConfig(const HeadlessSetting&, const QString&, HeadlessOptions& o)
{
    o.checkConfig = true;
    return {};
}

QString storeHelp(const HeadlessSetting&, const QString&, HeadlessOptions& o)
{
    o.help = true;
    return {};
}

QString storeVersion(const HeadlessSetting&, const QString&, HeadlessOptions& o)
{
    o.version = true;
    return {};
}

// New settings are new rows: the parsers, the help and the default file follow.
const HeadlessSetting kSettings[] = {
    {.key = "port"_L1,
     .type = SettingType::Number,
     .valueName = "N"_L1,
     .defaultText = "514"_L1,
     .maximum = 65535,
     .help = "UDP port to receive on (default 514)"_L1,
     .store = storePort},
    {.key = "listen"_L1,
     .type = SettingType::Address,
     .valueName = "ADDRESS"_L1,
     .help = "receive on this IPv4 or IPv6 address only (default: every\n"
             "interface, IPv6 and IPv4 alike)"_L1,
     .store = storeListen},
    {.key = "log-dir"_L1,
     .type = SettingType::Path,
     .valueName = "DIR"_L1,
     .help = "folder of the log files (default: the stored log folder,\n"
             "else the current directory)"_L1,
     .store = storeLogDir},
    {.key = "replay"_L1,
     .type = SettingType::AddressAndPort,
     .valueName = "ADDRESS:PORT"_L1,
     .help = "forward every accepted datagram unchanged to that host\n"
             "(an IPv6 address in brackets: [::1]:514)"_L1,
     .store = storeReplay},
    {.key = "host"_L1,
     .type = SettingType::Address,
     .valueName = "ADDRESS"_L1,
     .help = "accept only this sender (default: every sender)"_L1,
     .store = storeHost},
    {.key = "allow"_L1,
     .type = SettingType::AddressPrefixes,
     .valueName = "CIDR[,CIDR...]"_L1,
     .help = "take datagrams only from these networks, such as\n"
             "192.168.0.0/16,fd00::/8 (default: from everywhere)"_L1,
     .store = storeAllow},
    {.key = "rate-limit"_L1,
     .type = SettingType::Number,
     .valueName = "N"_L1,
     .defaultText = "0"_L1,
     .maximum = kMaxRateLimit,
     .help = "keep at most N entries per second from each sender, with\n"
             "a burst of a few seconds' worth (default 0: no limit)"_L1,
     .store = storeRateLimit},
    {.key = "max-senders"_L1,
     .type = SettingType::Number,
     .valueName = "N"_L1,
     .defaultText = "10000"_L1,
     .minimum = 1,
     .maximum = kMaxSenders,
     .help = "list at most N senders; later ones are still received\n"
             "(default 10000)"_L1,
     .store = storeMaxSenders},
    {.key = "tcp-port"_L1,
     .type = SettingType::Number,
     .valueName = "N"_L1,
     .defaultText = "0"_L1,
     .maximum = 65535,
     .help = "also receive syslog over TCP on this port, octet-counted\n"
             "or line by line, on the addresses of UDP (default 0: off)"_L1,
     .store = storeTcpPort},
    {.key = "tls-port"_L1,
     .type = SettingType::Number,
     .valueName = "N"_L1,
     .defaultText = "0"_L1,
     .maximum = 65535,
     .help = "also receive syslog over TLS on this port, usually 6514\n"
             "(needs tls-cert and tls-key; default 0: off)"_L1,
     .store = storeTlsPort},
    {.key = "tls-cert"_L1,
     .type = SettingType::Path,
     .valueName = "FILE"_L1,
     .help = "the PEM certificate TLS presents, intermediates after it"_L1,
     .store = storeTlsCert},
    {.key = "tls-key"_L1,
     .type = SettingType::Path,
     .valueName = "FILE"_L1,
     .help = "the unencrypted PEM private key of tls-cert"_L1,
     .store = storeTlsKey},
    {.key = "tls-client-ca"_L1,
     .type = SettingType::Path,
     .valueName = "FILE"_L1,
     .help = "take TLS clients only with a certificate signed by one of\n"
             "the PEM authorities in FILE (default: no certificate asked)"_L1,
     .store = storeTlsClientCa},
    {.key = "max-message-size"_L1,
     .type = SettingType::Number,
     .valueName = "BYTES"_L1,
     .defaultText = "65536"_L1,
     .minimum = 480,
     .maximum = kMaxMessageSize,
     .help = "close a TCP or TLS connection that sends a longer message\n"
             "(default 65536)"_L1,
     .store = storeMaxMessageSize},
    {.key = "max-connections"_L1,
     .type = SettingType::Number,
     .valueName = "N"_L1,
     .defaultText = "1000"_L1,
     .minimum = 1,
     .maximum = kMaxConnections,
     .help = "keep at most N TCP and TLS connections open; more are\n"
             "closed at once (default 1000)"_L1,
     .store = storeMaxConnections},
    {.key = "tcp-idle-timeout"_L1,
     .type = SettingType::Number,
     .valueName = "SECONDS"_L1,
     .defaultText = "600"_L1,
     .minimum = 1,
     .maximum = kMaxStatsSeconds,
     .help = "close a TCP or TLS connection silent that long (default 600)"_L1,
     .store = storeTcpIdleTimeout},
    {.key = "debug"_L1,
     .shortName = 'd',
     .type = SettingType::Flag,
     .defaultText = "no"_L1,
     .help = "echo every datagram and write QuenDalSysLog.log"_L1,
     .store = storeDebug},
    {.key = "stats"_L1,
     .type = SettingType::Number,
     .valueName = "SECONDS"_L1,
     .minimum = 1,
     .maximum = kMaxStatsSeconds,
     .help = "every SECONDS, one line on standard error: entries per\n"
             "category, emergencies, drops and the latest link rates"_L1,
     .store = storeStats},
    {.key = "viewer-socket"_L1,
     .type = SettingType::Path,
     .valueName = "PATH"_L1,
     .help = "offer the entries to viewers (quendal-syslog --follow,\n"
             "--attach) on this local socket (default:\n"
             "$RUNTIME_DIRECTORY/viewer.sock under systemd, else none)"_L1,
     .store = storeViewerSocket},
    {.key = "viewer-backlog"_L1,
     .type = SettingType::Number,
     .valueName = "N"_L1,
     .defaultText = "100000"_L1,
     .minimum = 1,
     .maximum = kMaxViewerBacklog,
     .help = "keep the newest N entries of each category for viewers\n"
             "that attach (default 100000)"_L1,
     .store = storeViewerBacklog},
    // Forwarding to collectors (ForwardOptions.cpp).
    {.key = "forward"_L1,
     .type = SettingType::Text,
     .valueName = "URL"_L1,
     .help = "forward every accepted message through a disk queue to a\n"
             "collector: tcp://HOST:PORT, tls://HOST:PORT or udp://HOST:PORT\n"
             "(repeat for several; in the file, one [forward NAME] section\n"
             "each with url, format, ca, cert, key and queue-max-mb)"_L1,
     .store = storeForward},
    {.key = "forward-ca"_L1,
     .type = SettingType::Path,
     .valueName = "FILE"_L1,
     .help = "certificate authorities that tls:// collectors' certificates\n"
             "must chain to (default: the system's trust store)"_L1,
     .store = storeForwardCa},
    {.key = "forward-cert"_L1,
     .type = SettingType::Path,
     .valueName = "FILE"_L1,
     .help = "client certificate (PEM) presented to tls:// collectors"_L1,
     .store = storeForwardCert},
    {.key = "forward-key"_L1,
     .type = SettingType::Path,
     .valueName = "FILE"_L1,
     .help = "private key (PEM, unencrypted) of --forward-cert"_L1,
     .store = storeForwardKey},
    {.key = "forward-format"_L1,
     .type = SettingType::Text,
     .valueName = "FORMAT"_L1,
     .defaultText = "rfc5424"_L1,
     .help = "what collectors receive: rfc5424 (with the router's address\n"
             "in [origin ip=...]) or as-received (the bytes unchanged)"_L1,
     .store = storeForwardFormat},
    {.key = "queue-dir"_L1,
     .type = SettingType::Path,
     .valueName = "DIR"_L1,
     .help = "folder of the forwarding queues (default: $STATE_DIRECTORY/queue\n"
             "under systemd, else queue/ in the log folder)"_L1,
     .store = storeQueueDir},
    {.key = "queue-max-mb"_L1,
     .type = SettingType::Number,
     .valueName = "N"_L1,
     .defaultText = "1024"_L1,
     .minimum = 1,
     .maximum = kMaxQueueMb,
     .help = "the most MiB each target's queue holds; beyond it the oldest\n"
             "entries are dropped, counted (default 1024)"_L1,
     .store = storeQueueMaxMb},
    {.key = "queue-sync"_L1,
     .type = SettingType::Text,
     .valueName = "POLICY"_L1,
     .defaultText = "interval"_L1,
     .help = "when queued entries are flushed to the disk: interval (every\n"
             "second), every-batch or never (left to the system)"_L1,
     .store = storeQueueSync},
    {.key = "config"_L1,
     .type = SettingType::Path,
     .valueName = "FILE"_L1,
     .place = SettingPlace::CommandLine,
     .help = "read the settings from FILE instead of\n"
             "/etc/quendal-syslog/quendal-syslogd.conf"_L1,
     .store = storeConfig},
    {.key = "check-config"_L1,
     .type = SettingType::Flag,
     .place = SettingPlace::CommandLine,
     .help = "check the configuration file and the options, say what\n"
             "is wrong or that they are fine, and end (exit 0 or 2)"_L1,
     .store = storeCheckConfig},
    {.key = "version"_L1,
     .type = SettingType::Flag,
     .place = SettingPlace::CommandLine,
     .help = "show the version"_L1,
     .store = storeVersion},
    {.key = "help"_L1,
     .shortName = 'h',
     .type = SettingType::Flag,
     .place = SettingPlace::CommandLine,
     .help = "show this help"_L1,
     .store = storeHelp},
};

} // namespace

std::span<const HeadlessSetting> headlessSettings()
{
    return kSettings;
}

const HeadlessSetting* findHeadlessSetting(QStringView name)
{
    for (const HeadlessSetting& setting : kSettings) {
        if (name == setting.key)
            return &setting;
        if (name.size() == 1 && setting.shortName != 0 &&
            name.front() == QLatin1Char(setting.shortName))
            return &setting;
    }
    return nullptr;
}

std::optional<bool> parseFlagText(QStringView text)
{
    for (const auto on : {"yes"_L1, "true"_L1, "on"_L1, "1"_L1})
        if (text.compare(on, Qt::CaseInsensitive) == 0)
            return true;
    for (const auto off : {"no"_L1, "false"_L1, "off"_L1, "0"_L1})
        if (text.compare(off, Qt::CaseInsensitive) == 0)
            return false;
    return std::nullopt;
}

QString shownOnOneLine(QStringView text)
{
    QString shown;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            shown += u"\\\\"_s;
        else if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
                 c == QChar::ParagraphSeparator)
            shown += u"\\x"_s + QString::number(c.unicode(), 16).rightJustified(2, u'0');
        else
            shown += c;
    }
    return shown;
}

} // namespace quendal
