#pragma once

class QRect;

namespace quendal {

class CSysLogDlg;
class SettingsStore;

// What the window looked like when it was last closed: its place and size, the column widths of
// the five log lists and the two socket tables, the tab shown and whether alerts are shown while
// the window is hidden. Kept in the settings store;
// a value that is missing or not sane leaves the window as it is built, so a first start looks
// as always.
namespace WindowState {

// Restores what is stored; call once the window is built and before it is shown.
void restore(CSysLogDlg& window, const SettingsStore& store);
// Stores what the window shows now.
bool save(const CSysLogDlg& window, SettingsStore& store);

// Stores the choice of the alerts while hidden, as soon as it is made.
bool saveAlertChoice(SettingsStore& store, bool on);

// A stored window rectangle is used only when a good part of it lies on one of the screens.
bool isOnAScreen(const QRect& geometry);

} // namespace WindowState
} // namespace quendal
