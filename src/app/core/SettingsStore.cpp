#include "app/core/SettingsStore.h"

#include "app/core/Settings.h"

#include <QSettings>

namespace quendal {
namespace {

constexpr const char* kOrganisation = "QuendalSysLog";
constexpr const char* kLogPathName = "DefaultLogPath";
constexpr const char* kReplayPortName = "ReplaySysLogPort";
constexpr const char* kReplayAddressName = "ReplaySysLogIP";
constexpr const char* kMaxRowsName = "MaxRowsPerList";
constexpr const char* kAllowedSendersName = "AllowedSenders";
constexpr const char* kAutoStartName = "AutoStart";
constexpr const char* kAutoStartPortName = "AutoStartPort";
constexpr const char* kAutoStartReplayName = "AutoStartReplay";

} // namespace

SettingsStore::SettingsStore() = default;

SettingsStore::SettingsStore(const QString& filePath) : filePath_(filePath)
{}

// A fresh QSettings per operation, so every read sees what the file holds now and a failed write
// leaves nothing behind in memory.
std::unique_ptr<QSettings> SettingsStore::open() const
{
    if (filePath_.isEmpty()) {
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                           QString::fromLatin1(kOrganisation));
    }
    return std::make_unique<QSettings>(filePath_, QSettings::IniFormat);
}

std::optional<QString> SettingsStore::read(const char* name) const
{
    const std::unique_ptr<QSettings> settings = open();
    const QString key = QString::fromLatin1(name);
    if (!settings->contains(key))
        return std::nullopt;
    return settings->value(key).toString();
}

std::optional<QString> SettingsStore::logPath() const
{
    return read(kLogPathName);
}

std::optional<QString> SettingsStore::replayPortText() const
{
    return read(kReplayPortName);
}

std::optional<QString> SettingsStore::replayAddress() const
{
    return read(kReplayAddressName);
}

std::optional<qsizetype> SettingsStore::maxRowsPerList() const
{
    const std::optional<QString> text = read(kMaxRowsName);
    return text ? parseMaxRowsText(*text) : std::nullopt;
}

bool SettingsStore::storeMaxRowsPerList(qsizetype rows)
{
    const std::unique_ptr<QSettings> settings = open();
    settings->setValue(QString::fromLatin1(kMaxRowsName), QString::number(rows));
    settings->sync();
    return settings->status() == QSettings::NoError;
}

std::optional<QString> SettingsStore::allowedSenders() const
{
    const std::unique_ptr<QSettings> settings = open();
    const QString key = QString::fromLatin1(kAllowedSendersName);
    if (!settings->contains(key))
        return std::nullopt;
    // Unquoted commas in an INI file make a list of the parts.
    const QVariant value = settings->value(key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

bool SettingsStore::storeAllowedSenders(const QString& networks)
{
    const std::unique_ptr<QSettings> settings = open();
    settings->setValue(QString::fromLatin1(kAllowedSendersName), networks);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

bool SettingsStore::store(const QString& logPath, const std::optional<StoredReplayTarget>& replay)
{
    const std::unique_ptr<QSettings> settings = open();
    settings->setValue(QString::fromLatin1(kLogPathName), logPath);
    if (replay) {
        settings->setValue(QString::fromLatin1(kReplayPortName), replay->portText);
        settings->setValue(QString::fromLatin1(kReplayAddressName), replay->address);
    }
    settings->sync();
    return settings->status() == QSettings::NoError;
}

std::optional<StoredAutoStart> SettingsStore::autoStart() const
{
    const std::unique_ptr<QSettings> settings = open();
    const QString port = QString::fromLatin1(kAutoStartPortName);
    if (!settings->value(QString::fromLatin1(kAutoStartName)).toBool() || !settings->contains(port))
        return std::nullopt;
    return StoredAutoStart{settings->value(port).toString(),
                           settings->value(QString::fromLatin1(kAutoStartReplayName)).toBool()};
}

bool SettingsStore::storeAutoStart(const std::optional<StoredAutoStart>& choice)
{
    const std::unique_ptr<QSettings> settings = open();
    settings->setValue(QString::fromLatin1(kAutoStartName), choice.has_value());
    if (choice) {
        settings->setValue(QString::fromLatin1(kAutoStartPortName), choice->portText);
        settings->setValue(QString::fromLatin1(kAutoStartReplayName), choice->replayEnabled);
    }
    settings->sync();
    return settings->status() == QSettings::NoError;
}

std::optional<QVariant> SettingsStore::value(const QString& name) const
{
    const std::unique_ptr<QSettings> settings = open();
    if (!settings->contains(name))
        return std::nullopt;
    return settings->value(name);
}

bool SettingsStore::storeValues(const QList<std::pair<QString, QVariant>>& values)
{
    const std::unique_ptr<QSettings> settings = open();
    for (const auto& [name, value] : values)
        settings->setValue(name, value);
    settings->sync();
    return settings->status() == QSettings::NoError;
}

QString SettingsStore::fileName() const
{
    return open()->fileName();
}

} // namespace quendal
