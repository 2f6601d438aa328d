#include "common/core/UiText.h"

#include "common/core/DisplayText.h"
#include "common/core/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <array>
#include <utility>

namespace quendal {
namespace {

// Filled once at start-up, before any window exists, and only read afterwards.
struct UiTextTable
{
    std::array<QString, kAllUiTextCount> texts;
    int lines = 0; // how many of them the file supplied
    bool loaded = false;
};

UiTextTable& table()
{
    static UiTextTable instance;
    return instance;
}

// Up to kAllUiTextCount lines of the file and how many there were, or nullopt when it cannot be
// opened or read or has fewer than kUiTextCount lines.
std::optional<std::pair<std::array<QString, kAllUiTextCount>, int>>
readUiTextFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::array<QString, kAllUiTextCount> texts;
    int count = 0;
    for (QString& text : texts) {
        if (file.atEnd())
            break;
        const QByteArray line = file.readLine();
        // Short of the end, even an empty line still brings its LF: nothing at all is an error.
        if (line.isEmpty())
            return std::nullopt;
        text = decodeForDisplay(withoutLineEnd(line));
        ++count;
    }
    if (count < kUiTextCount)
        return std::nullopt;
    return std::make_pair(std::move(texts), count);
}

} // namespace

std::optional<QString> companionUiTextFolder()
{
    const QSettings settings(QSettings::SystemScope, QStringLiteral("Hollowcrest"),
                             QStringLiteral("Pellimund"));
    const QString folder = settings.value(QStringLiteral("Settings/Path")).toString();
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

QString uiTextFilePath(const QString& folder)
{
    return fileInFolder(folder, QString::fromLatin1(kUiTextFileName));
}

bool LoadUiTextFrom(const QString& folder)
{
    UiTextTable& t = table();
    auto texts = readUiTextFile(uiTextFilePath(folder));
    if (!texts) {
        ResetUiText();
        return false;
    }
    t.texts = std::move(texts->first);
    t.lines = texts->second;
    t.loaded = true;
    return true;
}

bool LoadUiText()
{
    return LoadUiText(companionUiTextFolder(), QDir::currentPath());
}

bool LoadUiText(const std::optional<QString>& companionFolder, const QString& currentFolder)
{
    return LoadUiTextFrom(companionFolder.value_or(currentFolder));
}

QString GetUiText(int number)
{
    if (number < kFirstUiText || number > kLastAddedUiText)
        return {};
    const UiTextTable& t = table();
    if (!t.loaded || number - kFirstUiText >= t.lines)
        return BuiltinUiText(number);
    return t.texts[static_cast<size_t>(number - kFirstUiText)];
}

void ResetUiText()
{
    UiTextTable& t = table();
    t.loaded = false;
    t.lines = 0;
    t.texts = {};
}

} // namespace quendal
