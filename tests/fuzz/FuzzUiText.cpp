// The UI-text loader: any bytes as SysLogLang.txt. All 83 texts come from the file or none.
#include "FuzzSupport.h"
#include "common/core/DisplayText.h"
#include "common/core/UiText.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace quendal;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString folder = fuzz::scratchFolder();
    {
        QFile file(uiTextFilePath(folder));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes.data(), bytes.size()) == bytes.size());
    }

    const QList<QByteArrayView> lines = fuzz::linesOf(bytes);
    const std::optional<UiTextTable> file = UiTextTable::fromFolder(folder);
    const bool loaded = file.has_value();
    const UiTextTable texts = file.value_or(UiTextTable());
    FUZZ_CHECK(loaded == (lines.size() >= kUiTextCount));
    // Texts the file holds replace the built-in ones; newer texts past its end stay built in.
    for (int n = kFirstUiText; n <= kLastAddedUiText; ++n) {
        const qsizetype index = n - kFirstUiText;
        const QString expected =
            loaded && index < lines.size() ? decodeForDisplay(lines[index]) : BuiltinUiText(n);
        FUZZ_CHECK(texts.text(n) == expected);
    }
    FUZZ_CHECK(texts.text(kFirstUiText - 1).isNull() && texts.text(kLastAddedUiText + 1).isNull());
    return 0;
}
