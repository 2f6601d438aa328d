#pragma once

#include "common/core/SocketAddress.h"

#include <QHostAddress>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace quendal {

// A network of either family, "192.168.0.0/16" or "fd00::/8"; a bare address is its own /32 or
// /128.
struct AddressPrefix
{
    QHostAddress network;
    int length = 0;

    // Whether `host` lies in this network; an IPv4 sender mapped into IPv6 counts as IPv4.
    bool contains(const SocketAddress& host) const;
    QString text() const;
};

// A comma-separated list of prefixes ("192.168.0.0/16, 10.0.0.0/8"); an empty text is an
// empty list. nullopt, naming the part that is not a prefix in `error`, otherwise.
std::optional<std::vector<AddressPrefix>> parseAddressPrefixes(QStringView text,
                                                               QString* error = nullptr);

// Whether `host` lies in any of `prefixes`; an empty list lets every host in.
bool allowedBy(const std::vector<AddressPrefix>& prefixes, const SocketAddress& host);

} // namespace quendal
