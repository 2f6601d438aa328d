#include "common/core/UiText.h"

#include <iterator>

namespace quendal {

QString BuiltinUiText(int number)
{
    // In number order. Some carry the spelling the program has always shown ("Soure Address :",
    // "Browser.."); translations are matched to these lines, so they stay as they are.
    static const QString texts[] = {
        QStringLiteral("&About QuenDalSysLog..."),                // 9000
        QStringLiteral("Windows sockets initialization failed."), // 9001
        QStringLiteral("Any"),                                    // 9002
        QStringLiteral("Tx"),                                     // 9003
        QStringLiteral("Rx"),                                     // 9004
        QStringLiteral("Soure Address :"),                        // 9005
        QStringLiteral("User Access Log"),                        // 9006
        QStringLiteral("Call Log"),                               // 9007
        QStringLiteral("FireWall Log"),                           // 9008
        QStringLiteral("VPN Log"),                                // 9009
        QStringLiteral("WAN Log"),                                // 9010
        QStringLiteral("Time"),                                   // 9011
        QStringLiteral("Host"),                                   // 9012
        QStringLiteral("Message"),                                // 9013
        QStringLiteral("Ready"),                                  // 9014
        QStringLiteral("Running..."),                             // 9015
        QStringLiteral("WAN Status"),                             // 9016
        QStringLiteral("Start"),                                  // 9017
        QStringLiteral("Stop"),                                   // 9018
        QStringLiteral("Clear"),                                  // 9019
        QStringLiteral("Save"),                                   // 9020
        QStringLiteral("Open"),                                   // 9021
        QStringLiteral("QuenDalSysLog"),                          // 9022
        QStringLiteral("LAN Status"),                             // 9023
        QStringLiteral("TX Packets"),                             // 9024
        QStringLiteral("RX Packets"),                             // 9025
        QStringLiteral("GW IP Addr"),                             // 9026
        QStringLiteral("IP Address"),                             // 9027
        QStringLiteral("TX Rate"),                                // 9028
        QStringLiteral("RX Rate"),                                // 9029
        QStringLiteral("Select clean LOG"),                       // 9030
        QStringLiteral("Clear FireWall Log"),                     // 9031
        QStringLiteral("Clear User Access Log"),                  // 9032
        QStringLiteral("Clear Wan Log"),                          // 9033
        QStringLiteral("Clear VPN Log"),                          // 9034
        QStringLiteral("Clear Call Log"),                         // 9035
        QStringLiteral("OK"),                                     // 9036
        QStringLiteral("Cancel"),                                 // 9037
        QStringLiteral("SYSLOG Select Port"),                     // 9038
        QStringLiteral("Syslog port:"),                           // 9039
        QStringLiteral("Closed"),                                 // 9040
        QStringLiteral("Listening"),                              // 9041
        QStringLiteral("SYN Sent"),                               // 9042
        QStringLiteral("SYN Received"),                           // 9043
        QStringLiteral("Established"),                            // 9044
        QStringLiteral("Waiting for FIN"),                        // 9045
        QStringLiteral("Waiting for Close"),                      // 9046
        QStringLiteral("Unknown status"),                         // 9047
        QStringLiteral("Closing"),                                // 9048
        QStringLiteral("Last ACK"),                               // 9049
        QStringLiteral("Time Wait"),                              // 9050
        QStringLiteral("TCB deleted"),                            // 9051
        QStringLiteral("Client"),                                 // 9052
        QStringLiteral("Local TCP Table"),                        // 9053
        QStringLiteral("Local UDP Table"),                        // 9054
        QStringLiteral("LocalAddr"),                              // 9055
        QStringLiteral("LocalPort"),                              // 9056
        QStringLiteral("RemoteAddr"),                             // 9057
        QStringLiteral("RemotePort"),                             // 9058
        QStringLiteral("State"),                                  // 9059
        QStringLiteral("Host Name:"),                             // 9060
        QStringLiteral("DNS Servers:"),                           // 9061
        QStringLiteral("Description:"),                           // 9062
        QStringLiteral("Physical Address:"),                      // 9063
        QStringLiteral("IP Address:"),                            // 9064
        QStringLiteral("Subnet Mask:"),                           // 9065
        QStringLiteral("Default Gateway:"),                       // 9066
        QStringLiteral("DHCP Server:"),                           // 9067
        QStringLiteral("Lease Obtained:"),                        // 9068
        QStringLiteral("Lease Expires:"),                         // 9069
        QStringLiteral("Release"),                                // 9070
        QStringLiteral("Renew"),                                  // 9071
        QStringLiteral("Search..."),                              // 9072
        QStringLiteral("Primary WINS Server:"),                   // 9073
        QStringLiteral("Secondary WINS Server:"),                 // 9074
        QStringLiteral("MAC Address"),                            // 9075
        QStringLiteral("IP Mask"),                                // 9076
        QStringLiteral("Exit"),                                   // 9077
        QStringLiteral("Log file path:"),                         // 9078
        QStringLiteral("Browser.."),                              // 9079
        QStringLiteral("Replay"),                                 // 9080
        QStringLiteral("Replay IP:"),                             // 9081
        QStringLiteral("Replay port:"),                           // 9082
        // Added later; a translation file that stops at 9082 shows these in English.
        QStringLiteral("Find"),                                          // 9083
        QStringLiteral("Copy"),                                          // 9084
        QStringLiteral("Copy message"),                                  // 9085
        QStringLiteral("Details..."),                                    // 9086
        QStringLiteral("Match case"),                                    // 9087
        QStringLiteral("Regular expression"),                            // 9088
        QStringLiteral("Only matching rows"),                            // 9089
        QStringLiteral("Host:"),                                         // 9090
        QStringLiteral("%1 of %2"),                                      // 9091
        QStringLiteral("Facility"),                                      // 9092
        QStringLiteral("Severity"),                                      // 9093
        QStringLiteral("Sender address"),                                // 9094
        QStringLiteral("Raw bytes (hex)"),                               // 9095
        QStringLiteral("Entry details"),                                 // 9096
        QStringLiteral("Close"),                                         // 9097
        QStringLiteral("Alerts while hidden"),                           // 9098
        QStringLiteral("Start receiving with these settings next time"), // 9099
        QStringLiteral("%1 rows"),                                       // 9100
        QStringLiteral("%1 entries/s"),                                  // 9101
        QStringLiteral("dropped by the system: %1"),                     // 9102
        QStringLiteral("failed forwards: %1"),                           // 9103
        QStringLiteral("Emergency in %1"),                               // 9104
        QStringLiteral("and %1 more"),                                   // 9105
        QStringLiteral("No match"),                                      // 9106
        QStringLiteral("not kept with the entry"),                       // 9107
        // Messages of the window and its pages.
        QStringLiteral("Rows kept per list:"),                // 9108
        QStringLiteral("%1 to %2; the oldest leave first"),   // 9109
        QStringLiteral("Cannot write log file %1: %2"),       // 9110
        QStringLiteral("Cannot receive on UDP port %1: %2"),  // 9111
        QStringLiteral("Cannot forward to %1: %2"),           // 9112
        QStringLiteral("Nothing to save: the list is empty"), // 9113
        QStringLiteral("Saved %1 entries to %2"),             // 9114
        QStringLiteral("Cannot save log file %1: %2"),        // 9115
        QStringLiteral("Cannot open log file %1: %2"),        // 9116
        // 9117
        QStringLiteral("Read the newest %1 of %2 entries from %3 (the list keeps %4 rows; the "
                       "oldest were left out)"),
        QStringLiteral("Read %1 entries from %2"), // 9118
        QStringLiteral("Reading the adapters..."), // 9119
        // 9120
        QStringLiteral("No DHCP client or network manager here to release or renew a lease."),
        QStringLiteral("Releasing the lease of %1..."), // 9121
        QStringLiteral("Renewing the lease of %1..."),  // 9122
        QStringLiteral("Lease released."),              // 9123
        QStringLiteral("Lease renewed."),               // 9124
        QStringLiteral("Release failed: %1"),           // 9125
        QStringLiteral("Renew failed: %1"),             // 9126
        QStringLiteral("emergency (0)"),                // 9127
        // The Activity tab.
        QStringLiteral("Activity"),                                                // 9128
        QStringLiteral("Last 15 minutes"),                                         // 9129
        QStringLiteral("Last hour"),                                               // 9130
        QStringLiteral("Last 24 hours"),                                           // 9131
        QStringLiteral("Link rates of %1"),                                        // 9132
        QStringLiteral("Link rates of %1, the last router that reported"),         // 9133
        QStringLiteral("No status report yet"),                                    // 9134
        QStringLiteral("Mode change"),                                             // 9135
        QStringLiteral("No report"),                                               // 9136
        QStringLiteral("Counter reset"),                                           // 9137
        QStringLiteral("Entries per minute"),                                      // 9138
        QStringLiteral("Emergencies"),                                             // 9139
        QStringLiteral("Save picture..."),                                         // 9140
        QStringLiteral("Save data as CSV..."),                                     // 9141
        QStringLiteral("Show the emergencies of %2 in %3 (%1)"),                   // 9142
        QStringLiteral("As they arrive"),                                          // 9143
        QStringLiteral("Log files read back"),                                     // 9144
        QStringLiteral("Mode %1"),                                                 // 9145
        QStringLiteral("%1 entries"),                                              // 9146
        QStringLiteral("Click to show them"),                                      // 9147
        QStringLiteral("No status report from %1 yet"),                            // 9148
        QStringLiteral("TX packets/s"),                                            // 9149
        QStringLiteral("RX packets/s"),                                            // 9150
        QStringLiteral("from senders not allowed: %1"),                            // 9151
        QStringLiteral("over rate limits: %1"),                                    // 9152
        QStringLiteral("Allowed senders"),                                         // 9153
        QStringLiteral("Not a network: %1"),                                       // 9154
        QStringLiteral("%1 entries from %2 over its rate limit"),                  // 9155
        QStringLiteral("%1 entries from %2 other senders over their rate limits"), // 9156
        QStringLiteral("Search history..."),                                       // 9157
        QStringLiteral("Search history"),                                          // 9158
        QStringLiteral("Text:"),                                                   // 9159
        QStringLiteral("Category:"),                                               // 9160
        QStringLiteral("All categories"),                                          // 9161
        QStringLiteral("Emergencies only"),                                        // 9162
        QStringLiteral("From:"),                                                   // 9163
        QStringLiteral("To:"),                                                     // 9164
        QStringLiteral("YYYY-MM-DD HH:MM"),                                        // 9165
        QStringLiteral("Search"),                                                  // 9166
        QStringLiteral("%1 entries found"),                                        // 9167
        QStringLiteral("First %1 shown, refine the search"),                       // 9168
        QStringLiteral("Cancelled: %1 entries found"),                             // 9169
        QStringLiteral("Write times as YYYY-MM-DD HH:MM"),                         // 9170
        QStringLiteral("Invalid regular expression: %1"),                          // 9171
        QStringLiteral("Show the file at this entry"),                             // 9172
        QStringLiteral("%1, line %2"),                                             // 9173
        QStringLiteral("Could not read %1: %2"),                                   // 9174
        QStringLiteral("Router shown"),                                            // 9175
        QStringLiteral("Time range"),                                              // 9176
        QStringLiteral("Entries counted"),                                         // 9177
        QStringLiteral("Latest report at %1: TX Rate %2, RX Rate %3"),             // 9178
        QStringLiteral("%1 entries in the minute of %2, %3 emergencies"),          // 9179
        QStringLiteral("Clear the find text"),                                     // 9180
        QStringLiteral("Senders accepted"),                                        // 9181
        QStringLiteral("Show window"),                                             // 9182
        QStringLiteral("Receiving on port %1"),                                    // 9183
        QStringLiteral("Stopped"),                                                 // 9184
        QStringLiteral("The emergencies of %1 are no longer in the list"),         // 9185
        QStringLiteral("Rate /s"),                                                 // 9186
        QStringLiteral("The syslog port must be a number, 1 to 65535."),           // 9187
        QStringLiteral("Cannot write to the log folder: %1"),                      // 9188
        QStringLiteral("Rows per list: a number from %1 to %2."),                  // 9189
        QStringLiteral("The Replay port must be a number, 1 to 65535."),           // 9190
        QStringLiteral("The Replay address cannot be used: %1"),                   // 9191
        QStringLiteral("Entries"),                                                 // 9192
        QStringLiteral("%1 is not an IPv4 or IPv6 address"),                       // 9193
        QStringLiteral("Pages"),                                                   // 9194
        QStringLiteral("alert (1)"),                                               // 9195
        QStringLiteral("critical (2)"),                                            // 9196
        QStringLiteral("error (3)"),                                               // 9197
        QStringLiteral("warning (4)"),                                             // 9198
        QStringLiteral("notice (5)"),                                              // 9199
        QStringLiteral("informational (6)"),                                       // 9200
        QStringLiteral("debug (7)"),                                               // 9201
        QStringLiteral("unknown"),                                                 // 9202
        QStringLiteral("Any severity"),                                            // 9203
        QStringLiteral("%1 and worse"),                                            // 9204
        QStringLiteral("%1 connections open"),                                     // 9205
        QStringLiteral("TCP port (empty: off):"),                                  // 9206
        QStringLiteral("TLS port (empty: off):"),                                  // 9207
        QStringLiteral("TLS certificate (PEM):"),                                  // 9208
        QStringLiteral("TLS private key (PEM):"),                                  // 9209
        QStringLiteral("Forwarding"),                                              // 9210
        QStringLiteral("Collectors (one URL a line):"),                            // 9211
        QStringLiteral("CA file:"),                                                // 9212
        QStringLiteral("Client certificate:"),                                     // 9213
        QStringLiteral("Client key:"),                                             // 9214
        QStringLiteral("the system's trust store"),                                // 9215
        QStringLiteral("%1 (port %2)"),                                            // 9216
        QStringLiteral("Attached to %1"),                                          // 9217
        QStringLiteral("Detached from %1"),                                        // 9218
        QStringLiteral("%1 went away: %2. Attaching again when it returns."),      // 9219
        QStringLiteral("Missed %1 entries: the window fell behind the service"),   // 9220
        QStringLiteral("A QuenDalSysLog service offers its entries at %1. Show them here instead "
                       "of receiving in this window?"), // 9221
        QStringLiteral("Remember this choice"),         // 9222
        QStringLiteral("Attach"),                       // 9223
        QStringLiteral("Detach"),                       // 9224
    };
    static_assert(std::size(texts) == kAllUiTextCount);
    static_assert(static_cast<int>(UiTextId::Detach) == kLastAddedUiText);

    if (number < kFirstUiText || number > kLastAddedUiText)
        return {};
    return texts[number - kFirstUiText];
}

} // namespace quendal
