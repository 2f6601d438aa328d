#pragma once

class QDialog;

namespace quendal {

// Makes the dialog at least as wide as its title needs beside the window manager's icon and
// buttons, so that the title is not cut. Run after the title is set.
void fitWidthToTitle(QDialog* dialog);

} // namespace quendal
