#include "app/core/PortSettingsForm.h"

#include "app/core/ReplayTarget.h"
#include "app/core/SettingsStore.h"
#include "common/core/AddressPrefix.h"
#include "common/core/SocketAddress.h"
#include "common/core/UiText.h"
#include "logs/core/LogCategory.h"
#include "transport/core/TlsFiles.h"

#include <array>
#include <utility>

namespace quendal {
namespace {

// The networks in the form they are shown and stored; nullopt, naming the first part that is
// not one in `reason`.
std::optional<QString> normalizedNetworks(const QString& text, QString* reason)
{
    QStringList shown;
    for (QStringView part : QStringView(text).split(u',')) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        const auto prefixes = parseAddressPrefixes(part);
        if (!prefixes || prefixes->size() != 1) {
            if (reason)
                *reason = GetUiText(UiTextId::NotANetwork).arg(part.toString());
            return std::nullopt;
        }
        shown << prefixes->front().text();
    }
    return shown.join(QStringLiteral(", "));
}

// The stored texts of TCP and TLS, by the names they are stored under.
constexpr std::array<std::pair<const char*, QString PortSettingsFields::*>, 4> kStreamFields{{
    {"TcpPort", &PortSettingsFields::tcpPort},
    {"TlsPort", &PortSettingsFields::tlsPort},
    {"TlsCertificate", &PortSettingsFields::tlsCertificate},
    {"TlsKey", &PortSettingsFields::tlsKey},
}};

void openStreamFields(PortSettingsFields& fields, const SettingsStore& store)
{
    for (const auto& [name, member] : kStreamFields) {
        if (const auto value = store.value(QString::fromLatin1(name)))
            fields.*member = value->toString();
    }
}

// A port text of TCP or TLS: empty for off (0), else a port from 1 up.
std::optional<int> streamPort(const QString& text)
{
    if (text.trimmed().isEmpty())
        return 0;
    const std::optional<int> port = parsePortText(text);
    if (!port || *port == 0)
        return std::nullopt;
    return port;
}

// The TCP and TLS settings of the fields, checked; false with the field to blame.
bool takeStreamFields(const PortSettingsFields& fields, ReceiverSettings& settings,
                      PortSettingsOutcome& outcome)
{
    const std::optional<int> tcp = streamPort(fields.tcpPort);
    const std::optional<int> tls = streamPort(fields.tlsPort);
    if (!tcp || !tls) {
        outcome = {false, tcp ? PortSettingsField::TlsPort : PortSettingsField::TcpPort, {}};
        return false;
    }
    if (*tls != 0) {
        QString reason;
        if (!readTlsIdentity(fields.tlsCertificate, fields.tlsKey, &reason)) {
            outcome = {false, PortSettingsField::TlsCertificate, reason};
            return false;
        }
    }
    settings.TcpPort = *tcp;
    settings.TlsPort = *tls;
    settings.TlsCertificate = fields.tlsCertificate;
    settings.TlsKey = fields.tlsKey;
    return true;
}

} // namespace

PortSettingsFields openPortSettings(ReceiverSettings& settings, const SettingsStore& store,
                                    const QString& currentDirectory)
{
    PortSettingsFields fields;
    fields.syslogPort = kDefaultPortText;
    fields.replayPort = kDefaultPortText;
    settings.LogPath = store.logPath().value_or(currentDirectory);
    fields.logPath = settings.LogPath;
    settings.MaxRowsPerList = store.maxRowsPerList().value_or(settings.MaxRowsPerList);
    fields.maxRowsPerList = QString::number(settings.MaxRowsPerList);
    fields.allowedSenders = store.allowedSenders().value_or(settings.AllowedSenders);
    if (std::optional<QString> port = store.replayPortText())
        fields.replayPort = *port;
    if (std::optional<QString> address = store.replayAddress())
        fields.replayAddress = *address;
    if (std::optional<StoredAutoStart> autoStart = store.autoStart()) {
        fields.autoStart = true;
        fields.syslogPort = autoStart->portText;
    }
    fields.replayEnabled = settings.ReplayEnabled;
    if (settings.ReplayEnabled)
        fields.replayAddress = settings.ReplayAddress;
    openStreamFields(fields, store);
    return fields;
}

PortSettingsOutcome acceptPortSettings(PortSettingsFields& fields, ReceiverSettings& settings,
                                       SettingsStore& store)
{
    const auto reject = [](PortSettingsField field) {
        return PortSettingsOutcome{false, field, QString()};
    };

    const std::optional<int> syslogPort = parsePortText(fields.syslogPort);
    if (!syslogPort) {
        fields.syslogPort = kDefaultPortText;
        return reject(PortSettingsField::SyslogPort);
    }

    settings.LogPath = fields.logPath;
    if (!canAppendToLogFolder(fields.logPath))
        return reject(PortSettingsField::LogPath);

    const std::optional<qsizetype> maxRows = parseMaxRowsText(fields.maxRowsPerList);
    if (!maxRows)
        return reject(PortSettingsField::MaxRowsPerList);

    std::optional<int> replayPort;
    std::optional<QString> replayAddress;
    if (fields.replayEnabled) {
        replayPort = parsePortText(fields.replayPort);
        if (!replayPort || *replayPort == 0) {
            fields.replayPort = kDefaultPortText;
            return reject(PortSettingsField::ReplayPort);
        }
        replayAddress = normalizedHostAddress(fields.replayAddress);
        if (!replayAddress || !replayTargetProblem(*replayAddress, quint16(*replayPort)).isEmpty())
            return reject(PortSettingsField::ReplayAddress);
        fields.replayAddress = *replayAddress;
    }

    QString reason;
    const std::optional<QString> allowed = normalizedNetworks(fields.allowedSenders, &reason);
    if (!allowed)
        return {false, PortSettingsField::AllowedSenders, reason};
    fields.allowedSenders = *allowed;

    // Checked whole before any is taken: a refusal leaves the settings as they were.
    if (PortSettingsOutcome outcome; !takeStreamFields(fields, settings, outcome))
        return outcome;
    QList<std::pair<QString, QVariant>> streamValues;
    for (const auto& [name, member] : kStreamFields)
        streamValues.append({QString::fromLatin1(name), fields.*member});
    (void)store.storeValues(streamValues);

    std::optional<StoredReplayTarget> storedReplay;
    if (fields.replayEnabled)
        storedReplay = StoredReplayTarget{fields.replayPort, *replayAddress};
    // A store that cannot be written costs only the next run's defaults; this run goes on.
    (void)store.store(fields.logPath, storedReplay);
    (void)store.storeMaxRowsPerList(*maxRows);
    (void)store.storeAllowedSenders(*allowed);
    (void)store.storeAutoStart(
        fields.autoStart ? std::optional(StoredAutoStart{fields.syslogPort, fields.replayEnabled})
                         : std::nullopt);

    settings.SyslogPort = *syslogPort;
    settings.MaxRowsPerList = *maxRows;
    settings.AllowedSenders = *allowed;
    settings.ReplayEnabled = fields.replayEnabled;
    if (fields.replayEnabled) {
        settings.ReplayPort = *replayPort;
        settings.ReplayAddress = *replayAddress;
    }
    return {true, PortSettingsField::None, QString()};
}

AutoStart prepareAutoStart(ReceiverSettings& settings, const SettingsStore& store, QString* problem)
{
    const std::optional<StoredAutoStart> choice = store.autoStart();
    if (!choice)
        return AutoStart::Off;
    const std::optional<int> port = parsePortText(choice->portText);
    const std::optional<QString> folder = store.logPath();
    std::optional<int> replayPort;
    std::optional<QString> replayAddress;
    if (choice->replayEnabled) {
        replayPort = parsePortText(store.replayPortText().value_or(QString()));
        replayAddress = parseIpv4Address(store.replayAddress().value_or(QString()));
    }
    // A hand-edited store: the dialog shows what is wrong by opening with the usual fields.
    if (!port || !folder ||
        (choice->replayEnabled &&
         (!replayPort || !replayAddress ||
          !replayTargetProblem(*replayAddress, quint16(*replayPort)).isEmpty())))
        return AutoStart::Unusable;
    QString reason;
    const std::optional<QString> allowed =
        normalizedNetworks(store.allowedSenders().value_or(QString()), &reason);
    if (!allowed) {
        *problem = reason;
        return AutoStart::Unusable;
    }
    if (!canAppendToLogFolder(*folder, &reason)) {
        *problem = GetUiText(UiTextId::CannotWriteLogFile)
                       .arg(autoLogFilePath(*folder, LogCategory::FireWall), reason);
        return AutoStart::Unusable;
    }

    // TCP and TLS as stored; what cannot be used leaves them off, and reception says why.
    PortSettingsFields streams;
    openStreamFields(streams, store);
    if (PortSettingsOutcome ignored; !takeStreamFields(streams, settings, ignored)) {
        settings.TcpPort = 0;
        settings.TlsPort = 0;
    }
    settings.SyslogPort = *port;
    settings.LogPath = *folder;
    settings.MaxRowsPerList = store.maxRowsPerList().value_or(settings.MaxRowsPerList);
    settings.AllowedSenders = *allowed;
    settings.ReplayEnabled = choice->replayEnabled;
    if (choice->replayEnabled) {
        settings.ReplayPort = *replayPort;
        settings.ReplayAddress = *replayAddress;
    }
    return AutoStart::Ready;
}

} // namespace quendal
