#pragma once

#include "app/core/ForwardOptions.h"
#include "common/core/AddressPrefix.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quendal {

// The settings of the receiver without a window, from its configuration file and its command
// line (see HeadlessSettings.h for the table of them):
//   quendal-syslog --headless [--port N] [--listen ADDRESS] [--log-dir DIR]
//                  [--replay ADDRESS:PORT] [--host ADDRESS] [-d] [--stats SECONDS] ...
// Addresses are IPv4 or IPv6 ("[::1]:514" with a port), kept as normalizedHostAddress() gives
// them.
struct HeadlessOptions
{
    quint16 port = 514;
    std::optional<QString> listen; // as typed; none: every interface, IPv6 and IPv4 alike
    std::optional<QString> logDir; // none: the stored log folder, else the current directory
    std::optional<QString> replayAddress;
    quint16 replayPort = 0;
    std::optional<QString> host; // none: every sender
    bool debug = false;
    std::optional<int> statsSeconds;  // a line of activity on stderr every so many seconds
    std::vector<AddressPrefix> allow; // who may send; empty: every sender
    int rateLimit = 0;                // entries per second per sender; 0: no limit
    int maxSenders = 10000;           // the most senders the host list keeps
    // Forwarding to collectors: --forward URLs, [forward NAME] sections and their defaults.
    ForwardOptions forward;

    // Where viewers connect (--follow, --attach); none: $RUNTIME_DIRECTORY/viewer.sock under
    // systemd, else no viewer socket.
    std::optional<QString> viewerSocket;
    qsizetype viewerBacklog = 100'000; // entries kept per category for viewers' back-fill

    // Syslog over TCP and TLS.
    std::optional<quint16> tcpPort; // none: no TCP
    std::optional<quint16> tlsPort; // none: no TLS
    std::optional<QString> tlsCert; // what TLS presents: the certificate (chain) and its key
    std::optional<QString> tlsKey;
    std::optional<QString> tlsClientCa; // clients need a certificate of these; none: no need
    int maxMessageSize = 65536;         // the longest frame a connection may send
    int maxConnections = 1000;          // TCP and TLS connections open at once
    int tcpIdleTimeout = 600;           // seconds a silent connection stays open

    std::optional<QString> configFile; // --config: a file instead of the default one
    bool checkConfig = false;          // --check-config: check, say so and end
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name over `base` (the configuration file's settings,
// or the defaults): what the command line gives overrides the file. nullopt, with a one-line
// reason in `error`, for anything it does not understand.
std::optional<HeadlessOptions> parseHeadlessOptions(const QStringList& arguments, QString* error,
                                                    const HeadlessOptions& base = {});

// The options' help, its first line naming `command` (the program, with --headless for the
// window's binary).
QString headlessUsage(const QString& command = QStringLiteral("quendal-syslog --headless"));

// "quendal-syslog 1.0": the program's name and version, for --version.
QString versionLine(const QString& program);

} // namespace quendal
