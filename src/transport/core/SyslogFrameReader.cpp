#include "transport/core/SyslogFrameReader.h"

#include <cstring>

namespace quendal {

SyslogFrameReader::SyslogFrameReader(qsizetype maxMessageSize, Framing framing)
    : max_(maxMessageSize), framing_(framing)
{}

qsizetype SyslogFrameReader::findLineEnd(QByteArrayView data)
{
    // memchr twice beats a byte loop by far on long lines; NUL ends are rare.
    const auto* begin = data.data();
    const auto n = size_t(data.size());
    const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', n));
    const size_t scan = lf ? size_t(lf - begin) : n;
    const auto* nul = static_cast<const char*>(std::memchr(begin, '\0', scan));
    const char* end = nul ? nul : lf;
    return end ? qsizetype(end - begin) : -1;
}

QString SyslogFrameReader::errorText(Error error)
{
    switch (error) {
    case Error::None:
        break;
    case Error::TooLong:
        return QStringLiteral("a message longer than the limit");
    case Error::BadCount:
        return QStringLiteral("an octet count that is not a number");
    case Error::NotCounted:
        return QStringLiteral("a message without an octet count");
    }
    return {};
}

} // namespace quendal
