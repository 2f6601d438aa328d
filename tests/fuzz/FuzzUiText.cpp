// The UI-text loader: any bytes as SysLogLang.txt. All 83 texts come from the file or none.
#include "FuzzSupport.h"
#include "common/core/UiText.h"
#include "common/core/DisplayText.h"

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
    const bool loaded = LoadUiTextFrom(folder);
    FUZZ_CHECK(loaded == (lines.size() >= kUiTextCount));
    // Texts the file holds replace the built-in ones; newer texts past its end stay built in.
    for (int n = kFirstUiText; n <= kLastAddedUiText; ++n) {
        const qsizetype index = n - kFirstUiText;
        const QString expected = loaded && index < lines.size()
                                     ? decodeForDisplay(lines[index])
                                     : BuiltinUiText(n);
        FUZZ_CHECK(GetUiText(n) == expected);
    }
    FUZZ_CHECK(GetUiText(kFirstUiText - 1).isNull() && GetUiText(kLastAddedUiText + 1).isNull());
    ResetUiText();
    return 0;
}
