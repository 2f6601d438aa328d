// The lines the receiver without a window prints: any entry gives exactly one line of four
// tab-separated fields, and unescaping the fields gives the entry's bytes back.
#include "FuzzSupport.h"
#include "app/core/HeadlessOutput.h"

namespace {

// The inverse of the line's escapes (\t \n \r \\ \xHH); nullopt for anything else after '\'.
std::optional<QByteArray> unescaped(QByteArrayView field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out.append(field[i]);
            continue;
        }
        if (++i >= field.size())
            return std::nullopt;
        switch (field[i]) {
        case 't':
            out.append('\t');
            break;
        case 'n':
            out.append('\n');
            break;
        case 'r':
            out.append('\r');
            break;
        case '\\':
            out.append('\\');
            break;
        case 'x': {
            if (i + 2 >= field.size())
                return std::nullopt;
            bool ok = false;
            const int value = field.sliced(i + 1, 2).toByteArray().toInt(&ok, 16);
            if (!ok)
                return std::nullopt;
            out.append(char(value));
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    fuzz::FuzzInput input(data, size);
    const uint8_t choice = input.byte();
    const LogCategory category = kAllCategories[size_t(choice % kCategoryCount)];
    const bool emergency = choice & 0x80;
    const QByteArrayView time = input.until('\0');
    const QByteArrayView host = input.until('\0');
    const QByteArrayView message = input.rest();

    QByteArray line;
    appendEntryLine(line, category,
                    {time, host, message, emergency ? Severity::Emergency : Severity::Unknown});
    FUZZ_CHECK(line.endsWith('\n') && line.count('\n') == 1);
    for (const char c : line)
        FUZZ_CHECK(c == '\t' || c == '\n' || (uint8_t(c) >= 0x20 && c != 0x7f));
    const QList<QByteArray> fields = line.chopped(1).split('\t');
    FUZZ_CHECK(fields.size() == 4);
    FUZZ_CHECK(fields[0] == categoryName(category));
    QByteArray shownTime = time.toByteArray();
    if (emergency)
        shownTime = '[' + shownTime + ']';
    FUZZ_CHECK(unescaped(fields[1]) == shownTime);
    FUZZ_CHECK(unescaped(fields[2]) == host.toByteArray());
    FUZZ_CHECK(unescaped(fields[3]) == message.toByteArray());
    return 0;
}
