#pragma once

class QDialog;

namespace quendal {

// Makes the dialog at least as wide as its title needs beside the window manager's icon and
// buttons, so that the title is not cut. Run after the title is set.
void fitWidthToTitle(QDialog* dialog);

// Gives a small dialog a title bar with its title and a close button only, without the
// minimise and maximise buttons some window managers add.
void useSmallDialogFrame(QDialog* dialog);

} // namespace quendal
