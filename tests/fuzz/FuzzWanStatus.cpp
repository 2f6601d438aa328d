// WAN status parsing: the keys of a status message and their values, and the status line the
// receiver without a window prints from them.
#include "FuzzSupport.h"
#include "app/core/HeadlessOutput.h"
#include "receiver/core/WanStatus.h"

namespace {

// The value of a key by the plain rule: after its first occurrence up to the next blank.
std::optional<QByteArrayView> expectedValue(QByteArrayView text, QByteArrayView key)
{
    const qsizetype at = text.indexOf(key);
    if (at < 0)
        return std::nullopt;
    const qsizetype end = text.indexOf(' ', at + key.size());
    if (end < 0)
        return std::nullopt;
    return text.sliced(at + key.size(), end - at - key.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    fuzz::FuzzInput input(data, size);
    const QByteArrayView first = input.until('\n');
    const QByteArrayView second = input.rest();

    WanStatus status;
    std::array<QByteArray, kWanFieldCount> previous;
    std::optional<QByteArray> previousMode;
    for (const QByteArrayView message : {first, second}) {
        for (int i = 0; i < kWanFieldCount; ++i)
            previous[size_t(i)] = status.value(WanField(i));
        previousMode = status.mode();
        status.apply(message);
        for (int i = 0; i < kWanFieldCount; ++i) {
            const auto expected = expectedValue(message, wanFieldKey(WanField(i)));
            FUZZ_CHECK(status.value(WanField(i)) == (expected ? *expected : previous[size_t(i)]));
            FUZZ_CHECK(!status.value(WanField(i)).contains(' '));
        }
        const auto mode = expectedValue(message, "BBandMode=");
        FUZZ_CHECK(status.mode() ==
                   (mode ? std::optional<QByteArray>(mode->toByteArray()) : previousMode));

        // The status line: one line, "Status" and a key=value field per panel field and mode.
        QByteArray line;
        appendStatusLine(line, status);
        FUZZ_CHECK(line.endsWith('\n') && line.count('\n') == 1);
        FUZZ_CHECK(line.count('\t') == kWanFieldCount + (status.mode() ? 1 : 0));
        for (const char c : line)
            FUZZ_CHECK(c == '\t' || c == '\n' || (uint8_t(c) >= 0x20 && c != 0x7f));
    }
    status.reset();
    FUZZ_CHECK(!status.mode() && status.value(WanField::GatewayAddress) == "....");
    return 0;
}
