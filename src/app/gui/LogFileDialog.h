#pragma once

#include "logs/core/LogCategory.h"

#include <QFileDialog>

namespace quendal {

// The file dialog of Save and Open, made for the page that is active: the log types in their
// order with that page's type chosen, opening in `folder`. Save asks before replacing a file and
// gives a name typed without extension the page's extension; Open takes existing files only.
// The dialog deletes itself when it closes.
QFileDialog* createLogFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, LogCategory page,
                                 const QString& folder);

} // namespace quendal
