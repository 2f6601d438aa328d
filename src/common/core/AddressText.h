#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace quendal {

// Ports and addresses as the user types them (settings dialog, command line, router search).

// Decimal value of a run of ASCII digits, or nullopt when it holds anything else or exceeds
// limit. Stops counting once past the limit, so a long text cannot overflow.
std::optional<int> parseBoundedDecimal(QStringView digits, int limit);

// A port typed by the user: ASCII digits only and at most 65535; an empty text is port 0.
// Blanks and signs are not digits. nullopt when the text is rejected.
std::optional<int> parsePortText(QStringView text);

// A complete dotted IPv4 address: four parts of one to three ASCII digits, each at most 255.
// Returns it in plain form ("192.168.001.010" gives "192.168.1.10"): address parsers read a
// leading zero as octal, which would send to an address other than the one on the screen.
std::optional<QString> parseIpv4Address(QStringView text);

} // namespace quendal
