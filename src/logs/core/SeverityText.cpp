#include "logs/core/SeverityText.h"

#include "common/core/UiText.h"

namespace quendal {

QString severityText(Severity severity)
{
    static constexpr UiTextId kNames[] = {UiTextId::EmergencySeverity,     UiTextId::AlertSeverity,
                                          UiTextId::CriticalSeverity,      UiTextId::ErrorSeverity,
                                          UiTextId::WarningSeverity,       UiTextId::NoticeSeverity,
                                          UiTextId::InformationalSeverity, UiTextId::DebugSeverity};
    const int value = int(severity);
    return value >= 0 && value < int(std::size(kNames)) ? GetUiText(kNames[value])
                                                        : GetUiText(UiTextId::UnknownValue);
}

} // namespace quendal
