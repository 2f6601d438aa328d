#pragma once

#include "common/core/AddressText.h"
#include "logs/core/LogRows.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace quendal {

// The port every run proposes for reception, and the Replay port before anything is stored.
inline constexpr int kDefaultPort = 514;

// The settings reception works with. They change only through the settings dialog's OK, which
// can run only while reception is stopped.
struct ReceiverSettings
{
    // UDP port of the receiving socket; never stored, the dialog proposes 514 afresh every run.
    int SyslogPort = 0;
    // UDP port that forwarded datagrams are sent to.
    int ReplayPort = 0;
    // Folder of the automatic per-category log files, as the user typed it.
    QString LogPath;
    // Whether received datagrams are forwarded; never stored, so every run starts with it off.
    bool ReplayEnabled = false;
    // Address of the Replay target: dotted IPv4 or IPv6.
    QString ReplayAddress;
    // Rows each category list keeps; beyond it the oldest leave (the files keep everything).
    qsizetype MaxRowsPerList = kDefaultMaxRowsPerList;
    // Who may send, comma-separated networks ("192.168.0.0/16, fd00::/8"); empty: everybody.
    QString AllowedSenders;
    // Syslog over TCP and over TLS on these ports besides UDP; 0: not at all. TLS presents the
    // certificate and key in these PEM files.
    int TcpPort = 0;
    int TlsPort = 0;
    QString TlsCertificate;
    QString TlsKey;
};

// The range the user may choose for MaxRowsPerList: fewer rows than this would hide entries
// that just arrived; more would let five full lists outgrow the memory of a usual desktop
// (a row takes about 170 bytes).
inline constexpr qsizetype kFewestRowsPerList = 1'000;
inline constexpr qsizetype kMostRowsPerList = 20'000'000;

// A number of rows per list typed by the user: ASCII digits only, within kFewestRowsPerList and
// kMostRowsPerList. nullopt when the text is rejected.
std::optional<qsizetype> parseMaxRowsText(QStringView text);

// Whether the FireWall log file in this folder can be opened for appending. The file is created
// when missing, never truncated, and closed again at once; a link at its path is not followed.
// The reason of a failure goes to `error`.
bool canAppendToLogFolder(const QString& folder, QString* error = nullptr);

} // namespace quendal
