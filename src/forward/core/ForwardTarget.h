#pragma once

#include "forward/core/DiskQueue.h"
#include "forward/core/Rfc5424Message.h"

#include <QString>

#include <optional>
#include <vector>

namespace quendal {

// How a collector is reached.
enum class ForwardScheme : quint8
{
    Tcp, // octet-counted frames over plain TCP
    Tls, // octet-counted frames over TLS, the collector's certificate checked
    Udp  // one datagram per entry
};

// "tls://collector.example:6514": a collector's address as the user gives it. The host is kept
// as a name (resolved at each connection attempt) or an address, IPv6 without its brackets.
struct ForwardUrl
{
    ForwardScheme scheme = ForwardScheme::Tcp;
    QString host;
    quint16 port = 0;

    QString text() const;
    bool operator==(const ForwardUrl&) const = default;
};

// nullopt, with what a URL needs in `error`, for anything but SCHEME://HOST:PORT.
std::optional<ForwardUrl> parseForwardUrl(const QString& text, QString* error);

// One collector and how entries reach it.
struct ForwardTarget
{
    QString name; // the configuration file's section, else the URL
    ForwardUrl url;
    ForwardFormat format = ForwardFormat::Rfc5424;
    QString caFile;   // empty: the system's trust store
    QString certFile; // with keyFile: the client certificate presented; empty: none
    QString keyFile;
    qint64 queueMaxBytes = qint64(1024) * 1024 * 1024;

    bool operator==(const ForwardTarget&) const = default;
};

// Everything forwarding needs; no targets: nothing is forwarded.
struct ForwardSettings
{
    std::vector<ForwardTarget> targets;
    QString queueFolder; // each target's queue in a folder of its own under it
    DiskQueueOptions::Sync sync = DiskQueueOptions::Sync::Interval;

    bool operator==(const ForwardSettings& o) const
    {
        return targets == o.targets && queueFolder == o.queueFolder && sync == o.sync;
    }
};

// The folder name of a target's queue under the queue folder: its name with anything but
// letters, digits, '-' and '_' replaced, so that no name can reach outside the folder.
QString queueFolderName(const QString& targetName);

} // namespace quendal
