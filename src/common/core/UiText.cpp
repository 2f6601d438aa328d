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

std::optional<UiTextTable> UiTextTable::fromFolder(const QString& folder)
{
    auto texts = readUiTextFile(uiTextFilePath(folder));
    if (!texts)
        return std::nullopt;
    UiTextTable table;
    table.texts_ = std::move(texts->first);
    table.lines_ = texts->second;
    return table;
}

UiTextTable UiTextTable::forStartUp(const std::optional<QString>& companionFolder,
                                    const QString& currentFolder)
{
    return fromFolder(companionFolder.value_or(currentFolder)).value_or(UiTextTable());
}

UiTextTable UiTextTable::forStartUp()
{
    return forStartUp(companionUiTextFolder(), QDir::currentPath());
}

QString UiTextTable::text(int number) const
{
    if (number < kFirstUiText || number > kLastAddedUiText)
        return {};
    if (number - kFirstUiText >= lines_)
        return BuiltinUiText(number);
    return texts_[static_cast<size_t>(number - kFirstUiText)];
}

namespace {

UiTextTable& processTable()
{
    static UiTextTable table;
    return table;
}

} // namespace

const UiTextTable& processUiTexts()
{
    return processTable();
}

bool LoadUiText()
{
    processTable() = UiTextTable::forStartUp();
    return processTable().fromFile();
}

} // namespace quendal
