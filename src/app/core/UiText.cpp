#include "app/core/UiText.h"

#include "logs/core/DisplayText.h"
#include "logs/core/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <array>

namespace quendal {
namespace {

// Filled once at start-up, before any window exists, and only read afterwards.
struct UiTextTable
{
    std::array<QString, kUiTextCount> texts;
    bool loaded = false;
};

UiTextTable& table()
{
    static UiTextTable instance;
    return instance;
}

// The first kUiTextCount lines of the file, or nullopt when it cannot be opened or read or has
// fewer lines.
std::optional<std::array<QString, kUiTextCount>> readUiTextFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::array<QString, kUiTextCount> texts;
    for (QString& text : texts) {
        if (file.atEnd())
            return std::nullopt;
        const QByteArray line = file.readLine();
        // Short of the end, even an empty line still brings its LF: nothing at all is an error.
        if (line.isEmpty())
            return std::nullopt;
        text = decodeForDisplay(withoutLineEnd(line));
    }
    return texts;
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
    std::optional<std::array<QString, kUiTextCount>> texts = readUiTextFile(uiTextFilePath(folder));
    if (!texts) {
        ResetUiText();
        return false;
    }
    t.texts = std::move(*texts);
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
    if (number < kFirstUiText || number > kLastUiText)
        return {};
    const UiTextTable& t = table();
    if (!t.loaded)
        return BuiltinUiText(number);
    return t.texts[static_cast<size_t>(number - kFirstUiText)];
}

void ResetUiText()
{
    UiTextTable& t = table();
    t.loaded = false;
    t.texts = {};
}

} // namespace quendal
