#include "app/gui/LogFileDialog.h"

namespace quendal {

QFileDialog* createLogFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, LogCategory page,
                                 const QString& folder)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(mode);
    const QStringList filters = logFileNameFilters();
    dialog->setNameFilters(filters);
    dialog->selectNameFilter(filters.at(categoryIndex(page)));
    if (!folder.isEmpty())
        dialog->setDirectory(folder);
    if (mode == QFileDialog::AcceptSave) {
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setDefaultSuffix(logFileExtension(page));
    } else {
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    return dialog;
}

} // namespace quendal
