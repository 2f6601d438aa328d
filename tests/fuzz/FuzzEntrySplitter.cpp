// Entry splitting: Time, Host and Message cut from a datagram's text. The first byte chooses
// the prefix end and the severity, the rest is the text.
#include "FuzzSupport.h"
#include "logs/core/EntrySplitter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    fuzz::FuzzInput input(data, size);
    const uint8_t choice = input.byte();
    const QByteArrayView text = input.rest();
    // The intake hands over a '>' at 1 to 4; other positions must not break the splitter either.
    const int headerEnd = choice & 7;
    const int severity = (choice >> 3) & 7;

    const LogEntryView entry = splitEntry(text, headerEnd, severity);
    FUZZ_CHECK(fuzz::isInside(entry.time, text));
    FUZZ_CHECK(fuzz::isInside(entry.host, text));
    FUZZ_CHECK(fuzz::isInside(entry.message, text));
    FUZZ_CHECK(entry.isEmergency() == (severity == 0));

    // Time: the 15 bytes after the prefix, fewer at the end of the text.
    const qsizetype timeStart = std::min<qsizetype>(headerEnd + 1, text.size());
    FUZZ_CHECK(entry.time ==
               text.sliced(timeStart).first(std::min<qsizetype>(15, text.size() - timeStart)));
    const qsizetype separator = headerEnd + 1 + 15;
    const qsizetype colon = separator < text.size() ? text.indexOf(':', separator) : -1;
    if (colon < 0) {
        // No colon: nothing of the text after the separator is lost.
        FUZZ_CHECK(entry.host.isEmpty());
        FUZZ_CHECK(entry.message ==
                   (separator + 1 < text.size() ? text.sliced(separator + 1) : QByteArrayView()));
    } else {
        // Host up to the first colon behind the Time, Message from the second byte after it.
        FUZZ_CHECK(!entry.host.contains(':'));
        FUZZ_CHECK(entry.host.isEmpty() ||
                   entry.host.data() + entry.host.size() == text.data() + colon);
        FUZZ_CHECK(entry.message ==
                   (colon + 2 <= text.size() ? text.sliced(colon + 2) : QByteArrayView()));
    }
    return 0;
}
