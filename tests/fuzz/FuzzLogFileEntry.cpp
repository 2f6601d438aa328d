// The log-file writer: a stored entry is always exactly three CR LF lines, and reads back as it
// was stored except where the format itself is ambiguous (see the checks).
#include "FuzzSupport.h"
#include "logs/core/LogFileFormat.h"
#include "logs/core/LogFileReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    fuzz::FuzzInput input(data, size);
    const Severity severity = input.byte() & 1 ? Severity::Emergency : Severity::Unknown;
    const QByteArrayView time = input.until('\0');
    const QByteArrayView host = input.until('\0');
    const QByteArrayView message = input.rest();
    const LogEntryView entry{time, host, message, severity};

    QByteArray out = "x"; // appended to what a buffer holds already
    appendFileEntry(out, entry);
    const QByteArrayView written = QByteArrayView(out).sliced(1);
    FUZZ_CHECK(written.endsWith("\r\n"));
    FUZZ_CHECK(written.count('\n') == 3 && written.count('\r') == 3);
    const QList<QByteArrayView> lines = fuzz::crLfLines(written);
    FUZZ_CHECK(lines.size() == 3);

    LogRows rows;
    LogFileReader reader;
    for (const QByteArrayView line : lines)
        reader.AddLoadedLine(rows, line);
    FUZZ_CHECK(rows.size() == 1 && reader.pendingLines() == 0);
    const LogEntryView back = rows.at(0);
    FUZZ_CHECK(back.severity == severity);
    // Where the format cannot keep the bytes: a line break inside a text is a blank and those
    // at its end are dropped (a line ends at CR LF, and readers take LF alone as a line end);
    // an ordinary Time that starts with '[' and holds a ']' would read back as an emergency's,
    // so its '[' is written as a blank.
    QByteArray expectedTime = fuzz::asFileLine(time);
    if (severity != Severity::Emergency && expectedTime.startsWith('[') &&
        expectedTime.indexOf(']') > 0)
        expectedTime[0] = ' ';
    FUZZ_CHECK(back.time == expectedTime);
    FUZZ_CHECK(back.host == fuzz::asFileLine(host));
    FUZZ_CHECK(back.message == fuzz::asFileLine(message));
    // An emergency's Time is written in brackets and nothing else.
    if (severity == Severity::Emergency)
        FUZZ_CHECK(lines[0].startsWith('[') && lines[0].endsWith(']'));
    else
        FUZZ_CHECK(!(lines[0].startsWith('[') && lines[0].lastIndexOf(']') > 0));
    return 0;
}
