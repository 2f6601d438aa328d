#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <utility>

class QSettings;

namespace quendal {

// The Replay target as it is stored: the port as the user typed it and the dotted address.
struct StoredReplayTarget
{
    QString portText;
    QString address;
};

// The choice to start receiving at once next time: the syslog port as typed and whether Replay
// was on. The other settings it starts with are the stored ones.
struct StoredAutoStart
{
    QString portText;
    bool replayEnabled = false;
};

// The settings that outlive a run: the log folder, the last Replay target and the rows kept per
// list. They are kept in the user's settings of organisation "QuendalSysLog" as the texts
// "DefaultLogPath", "ReplaySysLogPort", "ReplaySysLogIP" and "MaxRowsPerList". The syslog port
// and the Replay on/off state are kept only with the choice to start with them next time
// ("AutoStart", "AutoStartPort", "AutoStartReplay").
class SettingsStore
{
public:
    // The user's own store (on Linux ~/.config/QuendalSysLog.conf, below XDG_CONFIG_HOME).
    SettingsStore();
    // A store in an explicit INI file, for tests and tools.
    explicit SettingsStore(const QString& filePath);

    // Each value only when it is stored; its type is not looked at.
    std::optional<QString> logPath() const;
    std::optional<QString> replayPortText() const;
    std::optional<QString> replayAddress() const;
    // The stored number of rows per list, only when it is a number in the range the dialog
    // allows (a hand-edited store may hold anything).
    std::optional<qsizetype> maxRowsPerList() const;
    // "AllowedSenders" as stored, unchecked; a list an editor wrote without quotes counts too.
    std::optional<QString> allowedSenders() const;

    // Writes "DefaultLogPath" and, with a Replay target, the two Replay values; without one the
    // stored Replay values stay as they are. Returns false when the store could not be written,
    // in which case nothing of this call is kept.
    bool store(const QString& logPath, const std::optional<StoredReplayTarget>& replay);
    // Writes "MaxRowsPerList"; false when the store could not be written.
    bool storeMaxRowsPerList(qsizetype rows);
    // Writes "AllowedSenders"; false when the store could not be written.
    bool storeAllowedSenders(const QString& networks);

    // The choice to start at once, only when it is stored and switched on.
    std::optional<StoredAutoStart> autoStart() const;
    // Switches starting at once on with these values, or off (the values stay for the dialog to
    // forget); false when the store could not be written.
    bool storeAutoStart(const std::optional<StoredAutoStart>& choice);

    // Any other value by name, for the window's remembered state; nullopt when not stored.
    std::optional<QVariant> value(const QString& name) const;
    // Writes the values given; false when the store could not be written.
    bool storeValues(const QList<std::pair<QString, QVariant>>& values);

    // Where the values are kept, for messages and diagnostics.
    QString fileName() const;

private:
    std::unique_ptr<QSettings> open() const;
    std::optional<QString> read(const char* name) const;

    // Empty for the user's own store.
    QString filePath_;
};

} // namespace quendal
