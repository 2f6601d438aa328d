#pragma once

#include "common/core/UiTextId.h"

#include <QString>

#include <array>
#include <optional>

namespace quendal {

// Every user-visible text has a number from 9000 up (UiTextId names them). A plain text file,
// SysLogLang.txt, can replace them at once (for a translation): line n is the text of 9000 + n - 1.
// The 83 classic texts 9000 to 9082 are what every file must supply; the texts added later (9083
// up) are taken from the file where it has their lines and stay English where it does not.
inline constexpr int kFirstUiText = 9000, kLastUiText = 9082, kUiTextCount = 83;
inline constexpr int kFirstAddedUiText = 9083, kLastAddedUiText = 9224;
inline constexpr int kAllUiTextCount = kLastAddedUiText - kFirstUiText + 1;

inline constexpr const char* kUiTextFileName = "SysLogLang.txt";

// The built-in English text of a number (9000..kLastAddedUiText); empty QString outside.
QString BuiltinUiText(int number);
inline QString BuiltinUiText(UiTextId id)
{
    return BuiltinUiText(static_cast<int>(id));
}

// The folder named by the companion tool's setting "Path" (system scope, organisation
// "Hollowcrest", application "Pellimund", key "Settings/Path"), if it is set and non-empty.
std::optional<QString> companionUiTextFolder();

// SysLogLang.txt inside a folder: trailing slashes of the folder are dropped before the file
// name is added, and an empty folder means the current directory.
QString uiTextFilePath(const QString& folder);

// A table of the texts to show: the built-in ones, or those of a SysLogLang.txt.
class UiTextTable
{
public:
    // The built-in texts.
    UiTextTable() = default;

    // SysLogLang.txt from `folder`. All 83 classic texts or none: nullopt when the file is
    // short, missing or unreadable. Further lines give the added texts, as far as the file goes;
    // lines beyond the last known number are ignored. Lines end at LF, a CR right before the LF
    // is dropped, an empty line is an empty text and a last line without LF still counts. The
    // bytes are decoded with decodeForDisplay.
    static std::optional<UiTextTable> fromFolder(const QString& folder);

    // The start-up choice: the companion tool's folder when its setting is present (nullopt:
    // absent), even when that folder holds no file, else `currentFolder`; the built-in texts
    // when the chosen folder has no complete file.
    static UiTextTable forStartUp(const std::optional<QString>& companionFolder,
                                  const QString& currentFolder);
    // The same with the companion setting and the current directory.
    static UiTextTable forStartUp();

    // Whether a file supplied the texts.
    bool fromFile() const { return lines_ > 0; }

    // The file's line when it has that line, else the built-in text. Outside 9000..
    // kLastAddedUiText: empty QString. Cheap: it hands out a shared copy.
    QString text(int number) const;
    QString text(UiTextId id) const { return text(static_cast<int>(id)); }

private:
    std::array<QString, kAllUiTextCount> texts_;
    int lines_ = 0; // how many of them the file supplied
};

// The process's table, filled once by LoadUiText at start-up, before any window or thread
// exists, and only read afterwards; the built-in texts until then. Tests load tables of their own.
const UiTextTable& processUiTexts();

// Start-up loader: UiTextTable::forStartUp() into the process's table. True when a file supplied
// the texts; start-up goes on either way.
bool LoadUiText();

// The text the program shows for an id.
inline QString GetUiText(UiTextId id)
{
    return processUiTexts().text(id);
}

} // namespace quendal
