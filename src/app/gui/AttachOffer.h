#pragma once

#include <QString>

class QWidget;

namespace quendal {

class SettingsStore;

// Whether the window, started without options, should show the entries of the service whose
// viewer socket is at `path` instead of receiving itself: the remembered choice, else the user's
// answer (kept when they ask for it). False at once when there is no socket there.
bool wantsToAttach(QWidget* parent, SettingsStore& store, const QString& path);

} // namespace quendal
