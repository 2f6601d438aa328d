// The framing of syslog over TCP and TLS, octet-counted and line by line. The first byte chooses
// the framing and the size of the pieces the stream arrives in, the rest is the stream. Whatever
// the pieces, the messages and the error are those of the stream read in one piece, and no
// message is longer than the limit.
#include "FuzzSupport.h"
#include "transport/core/SyslogFrameReader.h"

#include <QList>

namespace {

constexpr qsizetype kLimit = 64;

struct Read
{
    QList<QByteArray> messages;
    quendal::SyslogFrameReader::Error error = quendal::SyslogFrameReader::Error::None;
};

Read readInPieces(QByteArrayView stream, quendal::SyslogFrameReader::Framing framing,
                  qsizetype piece)
{
    quendal::SyslogFrameReader reader(kLimit, framing);
    Read read;
    for (qsizetype at = 0; at < stream.size(); at += piece) {
        const bool ok = reader.feed(stream.sliced(at, std::min(piece, stream.size() - at)),
                                    [&](QByteArrayView message) {
                                        FUZZ_CHECK(message.size() <= kLimit);
                                        read.messages.append(message.toByteArray());
                                    });
        FUZZ_CHECK(ok == (reader.error() == quendal::SyslogFrameReader::Error::None));
        if (!ok)
            break;
    }
    read.error = reader.error();
    return read;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    quendal::fuzz::FuzzInput input(data, size);
    const uint8_t choice = input.byte();
    const auto framing = choice & 1 ? quendal::SyslogFrameReader::Framing::OctetCounted
                                    : quendal::SyslogFrameReader::Framing::Either;
    const qsizetype piece = (choice >> 1) + 1;
    const QByteArrayView stream = input.rest();
    const Read whole = readInPieces(stream, framing, std::max<qsizetype>(stream.size(), 1));
    const Read pieces = readInPieces(stream, framing, piece);
    FUZZ_CHECK(whole.error == pieces.error);
    FUZZ_CHECK(whole.messages == pieces.messages);
    return 0;
}
