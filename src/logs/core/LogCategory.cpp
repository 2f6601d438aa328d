#include "logs/core/LogCategory.h"

#include "common/core/TextFiles.h"

namespace quendal {
namespace {

struct CategoryInfo
{
    const char* name;
    const char* fileName;
    const char* extension;
};

constexpr std::array<CategoryInfo, kCategoryCount> kInfo = {{
    {"FireWall", "FIrWareLog.flg", "flg"},
    {"VPN", "VPNLog.vlg", "vlg"},
    {"UserAccess", "UserAccessLog.ulg", "ulg"},
    {"Call", "CallLog.clg", "clg"},
    {"Wan", "WanLog.wlg", "wlg"},
}};

const CategoryInfo& info(LogCategory c)
{
    return kInfo[static_cast<size_t>(categoryIndex(c))];
}

} // namespace

std::optional<LogCategory> categoryForFacility(int facility)
{
    if (facility < 16 || facility > 20)
        return std::nullopt;
    return static_cast<LogCategory>(facility - 16);
}

std::optional<LogCategory> categoryForExtension(QStringView extension)
{
    // The order of the lookup is that of the Open command's table; the extensions are distinct.
    for (LogCategory c : {LogCategory::VPN, LogCategory::FireWall, LogCategory::UserAccess,
                          LogCategory::Call, LogCategory::Wan}) {
        if (extension == QLatin1StringView(info(c).extension))
            return c;
    }
    return std::nullopt;
}

std::optional<LogCategory> categoryNamed(QStringView name)
{
    for (const LogCategory c : kAllCategories) {
        if (name.compare(QLatin1StringView(info(c).name), Qt::CaseInsensitive) == 0)
            return c;
    }
    return std::nullopt;
}

const char* categoryName(LogCategory c)
{
    return info(c).name;
}

QString autoLogFileName(LogCategory c)
{
    return QString::fromLatin1(info(c).fileName);
}

QString logFileExtension(LogCategory c)
{
    return QString::fromLatin1(info(c).extension);
}

QString autoLogFilePath(const QString& folder, LogCategory c)
{
    return fileInFolder(folder, autoLogFileName(c));
}

QStringList logFileNameFilters()
{
    // "*" rather than "*.*": on Linux a file without a dot is a file too.
    return {QStringLiteral("FireWall Log (*.flg)"),    QStringLiteral("VPN Log (*.vlg)"),
            QStringLiteral("User Access Log (*.ulg)"), QStringLiteral("Call Log (*.clg)"),
            QStringLiteral("WAN Log (*.wlg)"),         QStringLiteral("All Files (*)")};
}

UiTextId categoryTitle(LogCategory c)
{
    switch (c) {
    case LogCategory::FireWall:
        return UiTextId::FireWallLog;
    case LogCategory::VPN:
        return UiTextId::VpnLog;
    case LogCategory::UserAccess:
        return UiTextId::UserAccessLog;
    case LogCategory::Call:
        return UiTextId::CallLog;
    case LogCategory::Wan:
        break;
    }
    return UiTextId::WanLog;
}

} // namespace quendal
