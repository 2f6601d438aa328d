#include "forward/core/ForwardTarget.h"

#include <QHostAddress>

namespace quendal {
namespace {

using namespace Qt::StringLiterals;

constexpr int kMaxHostLength = 253;

bool isHostNameCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'.' || c == u'_';
}

} // namespace

QString ForwardUrl::text() const
{
    const QString name = scheme == ForwardScheme::Tcp   ? u"tcp"_s
                         : scheme == ForwardScheme::Tls ? u"tls"_s
                                                        : u"udp"_s;
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return name + u"://"_s + shownHost + u':' + QString::number(port);
}

std::optional<ForwardUrl> parseForwardUrl(const QString& text, QString* error)
{
    const auto fail = [&](const QString& why) -> std::optional<ForwardUrl> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    ForwardUrl url;
    const qsizetype schemeEnd = text.indexOf(u"://"_s);
    const QString scheme = text.left(schemeEnd).toLower();
    if (schemeEnd < 0 || (scheme != u"tcp"_s && scheme != u"tls"_s && scheme != u"udp"_s))
        return fail(u"a URL starting with tcp://, tls:// or udp://"_s);
    url.scheme = scheme == u"tcp"_s   ? ForwardScheme::Tcp
                 : scheme == u"tls"_s ? ForwardScheme::Tls
                                      : ForwardScheme::Udp;
    const QString rest = text.mid(schemeEnd + 3);
    const qsizetype colon = rest.lastIndexOf(u':');
    if (colon <= 0)
        return fail(u"a host and a port after the scheme, such as tls://collector:6514"_s);
    QString host = rest.left(colon);
    const QString portText = rest.mid(colon + 1);
    if (host.startsWith(u'[') && host.endsWith(u']')) {
        host = host.mid(1, host.size() - 2);
        if (QHostAddress(host).protocol() != QAbstractSocket::IPv6Protocol)
            return fail(u"an IPv6 address between the brackets"_s);
    } else if (host.contains(u':')) {
        return fail(u"an IPv6 address in brackets, such as tcp://[::1]:514"_s);
    } else if (host.size() > kMaxHostLength ||
               !std::all_of(host.begin(), host.end(), isHostNameCharacter)) {
        return fail(u"a host name or address of letters, digits, '-' and '.'"_s);
    }
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port == 0 || port > 65535 ||
        !std::all_of(portText.begin(), portText.end(),
                     [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return fail(u"a port from 1 to 65535 after the host"_s);
    url.host = host;
    url.port = quint16(port);
    return url;
}

QString queueFolderName(const QString& targetName)
{
    QString name;
    for (const QChar c : targetName)
        name += (c.isLetterOrNumber() && c.unicode() < 128) || c == u'-' || c == u'_' ? c : u'_';
    return name.isEmpty() ? u"_"_s : name;
}

} // namespace quendal
