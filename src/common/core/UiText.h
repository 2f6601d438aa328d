#pragma once

#include "common/core/UiTextId.h"

#include <QString>

#include <optional>

namespace quendal {

// Every user-visible text has a number from 9000 up. A plain text file, SysLogLang.txt, can
// replace them at once (for a translation): line n is the text of 9000 + n - 1. The 83 classic
// texts 9000 to 9082 are what every file must supply; the texts added later (9083 up) are taken
// from the file where it has their lines and stay English where it does not.
inline constexpr int kFirstUiText = 9000, kLastUiText = 9082, kUiTextCount = 83;
inline constexpr int kFirstAddedUiText = 9083, kLastAddedUiText = 9150;
inline constexpr int kAllUiTextCount = kLastAddedUiText - kFirstUiText + 1;

inline constexpr const char* kUiTextFileName = "SysLogLang.txt";

// The built-in English text of a number (9000..kLastAddedUiText); empty QString outside.
QString BuiltinUiText(int number);

// The folder named by the companion tool's setting "Path" (system scope, organisation
// "Hollowcrest", application "Pellimund", key "Settings/Path"), if it is set and non-empty.
std::optional<QString> companionUiTextFolder();

// SysLogLang.txt inside a folder: trailing slashes of the folder are dropped before the file
// name is added, and an empty folder means the current directory.
QString uiTextFilePath(const QString& folder);

// Loads SysLogLang.txt from `folder` into the process-wide table. All 83 classic texts or none:
// returns true and makes GetUiText use the file only when it supplied at least 83 lines; a
// short, missing or unreadable file leaves (or puts back) the built-in texts. Further lines give
// the added texts, as far as the file goes; lines beyond the last known number are ignored.
// Lines end at LF, a CR right before the LF is dropped, an empty line is an empty text and a
// last line without LF still counts. The bytes are decoded with decodeForDisplay.
bool LoadUiTextFrom(const QString& folder);

// Start-up loader: the companion tool's folder when its setting is present (even when that
// folder holds no file, in which case the built-in texts apply), else the current directory.
bool LoadUiText();

// LoadUiText with the companion folder (nullopt: setting absent) and the current directory
// given by the caller.
bool LoadUiText(const std::optional<QString>& companionFolder, const QString& currentFolder);

// The text of a number 9000..kLastAddedUiText: the file's line when a complete file was loaded
// and has that line, else the built-in text. Outside the range: empty QString. Cheap: it hands
// out a shared copy.
QString GetUiText(int number);

// The text the program shows for an id.
inline QString uiText(UiTextId id)
{
    return GetUiText(static_cast<int>(id));
}

// Back to the built-in texts.
void ResetUiText();

} // namespace quendal
