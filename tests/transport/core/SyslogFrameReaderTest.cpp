#include "transport/core/SyslogFrameReader.h"

#include <QList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quendal {
namespace {

using Error = SyslogFrameReader::Error;
using Framing = SyslogFrameReader::Framing;

struct Read
{
    QList<QByteArray> messages;
    Error error = Error::None;
};

// Feeds `pieces` one after the other, as separate reads of the socket.
Read readPieces(const QList<QByteArray>& pieces, Framing framing = Framing::Either,
                qsizetype limit = 100)
{
    SyslogFrameReader reader(limit, framing);
    Read read;
    for (const QByteArray& piece : pieces) {
        if (!reader.feed(piece, [&](QByteArrayView m) { read.messages.append(m.toByteArray()); }))
            break;
    }
    read.error = reader.error();
    return read;
}

TEST(SyslogFrameReader, BothFramingsFrameByFrameWhereverTheStreamIsCut)
{
    const QByteArray stream = "<13>lf\n<14>crlf\r\n<15>nul"_ba + '\0' +
                              "16 <13>counted\nline\n\n<13>after blank\n10 <13>no end"_ba;
    const QList<QByteArray> expected{"<13>lf",          "<14>crlf",  "<15>nul", "<13>counted\nline",
                                     "<13>after blank", "<13>no end"};
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        const Read read = readPieces({stream.left(cut), stream.mid(cut)});
        EXPECT_EQ(read.error, Error::None) << cut;
        EXPECT_EQ(read.messages, expected) << cut;
    }
    // One byte at a time, as a trickling peer sends.
    QList<QByteArray> bytes;
    for (const char c : stream)
        bytes.append(QByteArray(1, c));
    EXPECT_EQ(readPieces(bytes).messages, expected);
}

TEST(SyslogFrameReader, BadFramesEndTheStreamAfterTheMessagesBefore)
{
    struct Case
    {
        QByteArray stream;
        Framing framing;
        Error error;
    };
    const QList<Case> cases{
        {"5 <13>a99999999999999999999 <13>", Framing::Either, Error::TooLong},
        {"5 <13>a101 ", Framing::Either, Error::TooLong},
        {"5 <13>a12x4 <13>", Framing::Either, Error::BadCount},
        {"5 <13>a05 <13>a", Framing::Either, Error::BadCount},
        {"5 <13>a<13>" + QByteArray(200, 'x') + '\n', Framing::Either, Error::TooLong},
        {"5 <13>a<13>line\n", Framing::OctetCounted, Error::NotCounted},
    };
    for (const Case& c : cases) {
        const Read read = readPieces({c.stream.left(7), c.stream.mid(7)}, c.framing);
        EXPECT_EQ(read.error, c.error) << c.stream.constData();
        EXPECT_EQ(read.messages, QList<QByteArray>{"<13>a"}) << c.stream.constData();
    }
}

TEST(SyslogFrameReader, AHugeLineIsRefusedWithinTheLimitOfMemory)
{
    SyslogFrameReader reader(65536);
    const QByteArray chunk(64 * 1024, 'x');
    int fed = 0;
    // A 1 MiB line in socket-sized reads: refused before the second read is kept.
    while (fed < 16 && reader.feed(chunk, [](QByteArrayView) { ADD_FAILURE(); }))
        ++fed;
    EXPECT_EQ(reader.error(), Error::TooLong);
    EXPECT_LE(fed, 1);
}

} // namespace
} // namespace quendal
