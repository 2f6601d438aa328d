#include "common/core/AddressPrefix.h"

#include <QtEndian>

namespace quendal {

namespace {

QHostAddress hostOf(const SocketAddress& host)
{
    if (const std::optional<quint32> v4 = host.ipv4Address())
        return QHostAddress(qFromBigEndian(*v4));
    QHostAddress address(host.get());
    address.setScopeId(QString());
    return address;
}

} // namespace

bool AddressPrefix::contains(const SocketAddress& host) const
{
    return hostOf(host).isInSubnet(network, length);
}

QString AddressPrefix::text() const
{
    return network.toString() + u'/' + QString::number(length);
}

std::optional<std::vector<AddressPrefix>> parseAddressPrefixes(QStringView text, QString* error)
{
    std::vector<AddressPrefix> prefixes;
    for (QStringView part : text.split(u',')) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        const qsizetype slash = part.indexOf(u'/');
        const QString addressText = part.left(slash < 0 ? part.size() : slash).toString();
        QHostAddress network;
        // Scopes and other decorations make no network: only the plain address forms.
        if (addressText.contains(u'%') || !network.setAddress(addressText)) {
            if (error)
                *error = QStringLiteral("not an address or network: ") + part.toString();
            return std::nullopt;
        }
        const int maxLength = network.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128;
        int length = maxLength;
        if (slash >= 0) {
            bool ok = false;
            const QStringView lengthText = part.mid(slash + 1);
            length = lengthText.toInt(&ok);
            if (!ok || lengthText.isEmpty() || !lengthText.front().isDigit() || length < 0 ||
                length > maxLength) {
                if (error)
                    *error = QStringLiteral("not a prefix length from 0 to %1: ").arg(maxLength) +
                             part.toString();
                return std::nullopt;
            }
        }
        // The network itself, whatever host bits were typed.
        const QPair<QHostAddress, int> subnet =
            QHostAddress::parseSubnet(network.toString() + u'/' + QString::number(length));
        prefixes.push_back({subnet.first, length});
    }
    return prefixes;
}

bool allowedBy(const std::vector<AddressPrefix>& prefixes, const SocketAddress& host)
{
    if (prefixes.empty())
        return true;
    for (const AddressPrefix& prefix : prefixes)
        if (prefix.contains(host))
            return true;
    return false;
}

} // namespace quendal
