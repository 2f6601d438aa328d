#pragma once

#include "common/core/UiTextId.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>

namespace quendal {

// The five log categories. The number is at once the syslog facility minus 16 routed there,
// the tab index of the category page and the index of its automatic log file.
enum class LogCategory
{
    FireWall = 0,
    VPN = 1,
    UserAccess = 2,
    Call = 3,
    Wan = 4
};

inline constexpr int kCategoryCount = 5;

inline constexpr std::array<LogCategory, kCategoryCount> kAllCategories = {
    LogCategory::FireWall, LogCategory::VPN, LogCategory::UserAccess, LogCategory::Call,
    LogCategory::Wan};

constexpr int categoryIndex(LogCategory c)
{
    return static_cast<int>(c);
}

// The category a syslog facility is listed under, if any (16 to 20).
std::optional<LogCategory> categoryForFacility(int facility);

// The category whose files carry this extension ("flg", "vlg", ...), compared case-sensitively.
std::optional<LogCategory> categoryForExtension(QStringView extension);

// The category of this name ("FireWall", "VPN", ...), whatever its letters' case.
std::optional<LogCategory> categoryNamed(QStringView name);

// The UI text that names a category: its tab label ("FireWall Log", ...).
UiTextId categoryTitle(LogCategory c);

// "FireWall", "VPN", "UserAccess", "Call", "Wan".
const char* categoryName(LogCategory c);

// Automatic log file name, e.g. "FIrWareLog.flg".
QString autoLogFileName(LogCategory c);

// File extension without the dot, e.g. "flg".
QString logFileExtension(LogCategory c);

// The file dialogs' type filters, in category order and then all files: "FireWall Log (*.flg)",
// "VPN Log (*.vlg)", "User Access Log (*.ulg)", "Call Log (*.clg)", "WAN Log (*.wlg)",
// "All Files (*)".
QStringList logFileNameFilters();

// The automatic log file of a category inside a log folder: trailing slashes of the folder are
// dropped before the file name is added, and an empty folder means the current directory.
QString autoLogFilePath(const QString& folder, LogCategory c);

} // namespace quendal
