// The log-file reader (Open): any bytes as a file, CR LF or LF lines of any length, NULs and
// brackets. Every third line completes an entry; what was read saves and reads back equal.
#include "FuzzSupport.h"
#include "logs/core/LogFileReader.h"
#include "logs/core/LogFileWriter.h"
#include "logs/core/LogList.h"

#include <QFile>

namespace {

using namespace quendal;

QString writeScratchFile(const char* name, QByteArrayView bytes)
{
    const QString path = fuzz::scratchFolder() + QLatin1Char('/') + QLatin1String(name);
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes.data(), bytes.size()) == bytes.size());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    LogList list;
    LogFileReader reader;
    FUZZ_CHECK(reader.load(writeScratchFile("read.flg", bytes), list));

    const QList<QByteArrayView> lines = fuzz::linesOf(bytes);
    FUZZ_CHECK(list.size() == lines.size() / 3);
    FUZZ_CHECK(reader.pendingLines() == lines.size() % 3);
    for (qsizetype e = 0; e < list.size(); ++e) {
        // The file's first entry ends up at the bottom.
        const LogEntryView entry = list.entry(list.size() - 1 - e);
        const QByteArrayView timeLine = lines[3 * e];
        const bool emergency = timeLine.startsWith('[') && timeLine.lastIndexOf(']') > 0;
        FUZZ_CHECK(entry.isEmergency() == emergency);
        FUZZ_CHECK(entry.time ==
                   (emergency ? timeLine.sliced(1, timeLine.lastIndexOf(']') - 1) : timeLine));
        FUZZ_CHECK(entry.host == lines[3 * e + 1]);
        FUZZ_CHECK(entry.message == lines[3 * e + 2]);
    }
    if (list.size() == 0)
        return 0;

    // Saved and opened again, the list is the same, except where the format cannot hold what
    // was read: a CR inside a text (a CR before the LF ends the line) becomes a blank, and CRs
    // at its end are dropped.
    const QString saved = fuzz::scratchFolder() + QStringLiteral("/saved.flg");
    FUZZ_CHECK(SaveList(saved, list.rows()));
    QFile file(saved);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    FUZZ_CHECK(written.count("\r\n") == 3 * list.size() && written.count('\n') == 3 * list.size());
    LogList again;
    LogFileReader secondReader;
    FUZZ_CHECK(secondReader.load(saved, again));
    FUZZ_CHECK(again.size() == list.size() && secondReader.pendingLines() == 0);
    for (qsizetype r = 0; r < list.size(); ++r) {
        const LogEntryView before = list.entry(r), after = again.entry(r);
        FUZZ_CHECK(after.severity == before.severity);
        // An ordinary Time read from a file never has the shape of an emergency's, so it is
        // written unchanged.
        FUZZ_CHECK(after.time == fuzz::asFileLine(before.time));
        FUZZ_CHECK(after.host == fuzz::asFileLine(before.host));
        FUZZ_CHECK(after.message == fuzz::asFileLine(before.message));
    }
    return 0;
}
