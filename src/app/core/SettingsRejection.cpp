#include "app/core/SettingsRejection.h"

#include "app/core/ReplayTarget.h"
#include "app/core/Settings.h"
#include "common/core/SocketAddress.h"
#include "common/core/UiText.h"

#include <QLocale>

namespace quendal {

QString rejectionReason(PortSettingsField field, const PortSettingsFields& fields)
{
    switch (field) {
    case PortSettingsField::None:
    case PortSettingsField::AllowedSenders: // the form's own reason names the part
    case PortSettingsField::TlsCertificate: // the reason names the file
        break;
    case PortSettingsField::SyslogPort:
    case PortSettingsField::TcpPort:
    case PortSettingsField::TlsPort:
        return GetUiText(UiTextId::PortRejected);
    case PortSettingsField::LogPath: {
        QString reason;
        canAppendToLogFolder(fields.logPath, &reason);
        return GetUiText(UiTextId::FolderRejected).arg(reason);
    }
    case PortSettingsField::MaxRowsPerList:
        return GetUiText(UiTextId::RowsRejected)
            .arg(QLocale().toString(kFewestRowsPerList), QLocale().toString(kMostRowsPerList));
    case PortSettingsField::ReplayPort:
        return GetUiText(UiTextId::ReplayPortRejected);
    case PortSettingsField::ReplayAddress: {
        const std::optional<QString> address = normalizedHostAddress(fields.replayAddress);
        const QString problem =
            address ? replayTargetProblem(*address, fields.replayPort.toUShort())
                    : GetUiText(UiTextId::NotAnAddress).arg(fields.replayAddress.trimmed());
        return GetUiText(UiTextId::ReplayAddressRejected).arg(problem);
    }
    }
    return {};
}

} // namespace quendal
