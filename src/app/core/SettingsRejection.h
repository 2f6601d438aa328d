#pragma once

#include "app/core/PortSettingsForm.h"

#include <QString>

namespace quendal {

// Why the settings dialog's OK refused `field`, in words for the dialog; `fields` as the user
// typed them. Empty for PortSettingsField::None, and where the form's outcome gives the reason.
QString rejectionReason(PortSettingsField field, const PortSettingsFields& fields);

} // namespace quendal
