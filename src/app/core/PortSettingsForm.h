#pragma once

#include "app/core/Settings.h"

#include <QLatin1StringView>
#include <QString>

namespace quendal {

class SettingsStore;

// What a rejected port field is reset to, and what both port fields show on opening.
inline constexpr QLatin1StringView kDefaultPortText{"514"};

// The texts and the check box of the settings dialog. The window copies them into its widgets
// and back; the Replay address and port fields are enabled exactly when replayEnabled is set.
struct PortSettingsFields
{
    QString syslogPort;
    QString logPath;
    QString replayAddress;
    QString replayPort;
    bool replayEnabled = false;
    QString maxRowsPerList;
    // Who may send: comma-separated networks; empty for everybody.
    QString allowedSenders;
    // Start receiving with these settings at the next start of the window, without the dialog.
    bool autoStart = false;
    // TCP and TLS: ports empty for off, and what TLS presents.
    QString tcpPort;
    QString tlsPort;
    QString tlsCertificate;
    QString tlsKey;
};

// The field whose check stopped an OK; None when nothing was rejected.
enum class PortSettingsField
{
    None,
    SyslogPort,
    LogPath,
    MaxRowsPerList,
    ReplayPort,
    ReplayAddress,
    AllowedSenders,
    TcpPort,
    TlsPort,
    TlsCertificate
};

// Whether an OK closes the dialog. When it does not, the field named was rejected and the
// dialog stays open, with `reason` shown when there is one.
struct PortSettingsOutcome
{
    bool accepted = false;
    PortSettingsField rejected = PortSettingsField::None;
    QString reason;
};

// The dialog's contents on opening. Both ports show "514" (the syslog port shows the remembered one
// while starting at once is switched on); the log folder is the stored one,
// else currentDirectory, and becomes settings.LogPath at once; the rows per list are the stored
// number, else this run's; the Replay port and address come from the store when stored. When
// Replay is on in this run, its address overrides the stored one, so a second opening shows the
// Replay choice of the first.
PortSettingsFields openPortSettings(ReceiverSettings& settings, const SettingsStore& store,
                                    const QString& currentDirectory);

// The dialog's OK. The checks run in order and the first failure ends it with the dialog open
// and nothing stored:
//  1. the syslog port text (a rejected one is reset to "514");
//  2. the log folder, which becomes settings.LogPath even if the next check fails, must take an
//     append to its FireWall log file, so that file exists after every accepted OK;
//  3. the rows per list, digits within kFewestRowsPerList and kMostRowsPerList (kept as typed);
//  4. with Replay ticked only: the Replay port text (reset to "514" when rejected, port 0 too)
//     and the Replay address, which must be a complete address of one host: dotted IPv4, neither
//     0.0.0.0 nor 255.255.255.255, or IPv6, neither :: nor multicast (the field is kept as
//     typed). It is taken in the form senders are shown in (normalizedHostAddress()).
//  5. the allowed senders, comma-separated IPv4 or IPv6 networks or addresses; the first part
//     that is none is named in the reason. They are taken in the form "192.168.0.0/16, ...".
//  6. the TCP and TLS ports, empty for off; with a TLS port, the certificate and key files must
//     be usable (the reason names the file). They are stored and taken like the rest.
// Then the log folder, the rows per list, the allowed senders, and with Replay its port text and
// address, are stored,
// and so is the choice to start at once next time, with the syslog port and the Replay state;
// a store that cannot be written is ignored and the values apply for this run. Finally the
// settings take the syslog port, the rows per list, the allowed senders, the Replay state and,
// with Replay, its port and address. Cancel changes nothing:
// the window simply does not call this.
PortSettingsOutcome acceptPortSettings(PortSettingsFields& fields, ReceiverSettings& settings,
                                       SettingsStore& store);

enum class AutoStart
{
    Off,      // not chosen: the dialog opens as usual
    Ready,    // the settings hold the remembered values; start receiving with them
    Unusable, // chosen, but the remembered values do not pass the dialog's checks
};

// At the window's start: when starting at once is switched on, puts the remembered port, log
// folder, rows per list, allowed senders and Replay choice into the settings after the same checks
// as the dialog's OK. A check that fails gives Unusable with the reason in `problem` (the dialog
// then opens and shows it).
AutoStart prepareAutoStart(ReceiverSettings& settings, const SettingsStore& store,
                           QString* problem);

} // namespace quendal
