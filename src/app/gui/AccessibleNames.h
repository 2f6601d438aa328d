#pragma once

class QWidget;

namespace quendal {

class CSysLogDlg;

// Gives every control of the window a name a screen reader can say: tool buttons by their
// command, lists and tables by their tab, fields by their purpose. Names follow the UI texts, so
// this runs again whenever they are applied.
void nameControls(CSysLogDlg& window);

// Names the focusable controls under `root` that still have none, from what the user sees of
// them: a button's text or tooltip, a field's placeholder. Controls a screen reader names by
// their label (a buddy) are left alone.
void nameUnnamedControls(QWidget* root);

} // namespace quendal
