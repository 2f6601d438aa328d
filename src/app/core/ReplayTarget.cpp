#include "app/core/ReplayTarget.h"

namespace quendal {

QString replayTargetProblem(const QString& dottedAddress, quint16 port)
{
    if (dottedAddress == QLatin1StringView("0.0.0.0"))
        return QStringLiteral("0.0.0.0 is not a host to forward to");
    if (dottedAddress == QLatin1StringView("255.255.255.255"))
        return QStringLiteral("255.255.255.255 is the broadcast address; forward to one host");
    if (port == 0)
        return QStringLiteral("port 0 is not a port to forward to");
    return {};
}

} // namespace quendal
