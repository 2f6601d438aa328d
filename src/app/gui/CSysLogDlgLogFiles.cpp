// The window's commands on log files: Save, Open and Clear of the category lists.
#include "activity/core/ActivitySeries.h"
#include "app/gui/CClearLogDlg.h"
#include "app/gui/CSysLogDlg.h"
#include "app/gui/LogFileDialog.h"
#include "common/core/UiText.h"
#include "history/gui/HistorySearchDialog.h"
#include "logs/core/LogFileWriter.h"
#include "logs/core/LogList.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLineEdit>
#include <QStatusBar>
#include <QTabWidget>

namespace quendal {
namespace {

// How long a report about Save or Open stays in the status bar.
constexpr int kFileReportMs = 10000;

} // namespace

void CSysLogDlg::OnSearchHistory()
{
    // One search window, kept with its criteria and results; it searches the folder set now.
    if (!historySearchDlg_)
        historySearchDlg_ = new HistorySearchDialog(settings_.LogPath, this);
    historySearchDlg_->setFolder(settings_.LogPath);
    historySearchDlg_->show();
    historySearchDlg_->raise();
    historySearchDlg_->activateWindow();
    historySearchDlg_->textField()->setFocus();
}

QString CSysLogDlg::fileDialogFolder() const
{
    if (!lastFileFolder_.isEmpty())
        return lastFileFolder_;
    return settings_.LogPath;
}

void CSysLogDlg::showLogFileDialog(QFileDialog::AcceptMode mode,
                                   const std::function<void(int, const QString&)>& chosen)
{
    const int page = sheet_->currentIndex();
    if (page < 0 || page >= kCategoryCount || fileDialog_)
        return;
    QFileDialog* dialog = createLogFileDialog(this, mode, LogCategory(page), fileDialogFolder());
    // The page showing now is the one meant, whatever happens while the dialog is open.
    connect(dialog, &QFileDialog::fileSelected, this, [this, page, chosen](const QString& path) {
        lastFileFolder_ = QFileInfo(path).absolutePath();
        chosen(page, path);
    });
    fileDialog_ = dialog;
    dialog->open();
}

void CSysLogDlg::OnSaveLog()
{
    // Said before a file name is asked for, not after.
    const int page = sheet_->currentIndex();
    if (page >= 0 && page < kCategoryCount && lists_[size_t(page)]->size() == 0) {
        statusBar()->showMessage(GetUiText(UiTextId::NothingToSave), kFileReportMs);
        return;
    }
    showLogFileDialog(QFileDialog::AcceptSave,
                      [this](int page, const QString& path) { saveActiveList(page, path); });
}

void CSysLogDlg::saveActiveList(int pageIndex, const QString& path)
{
    LogList* list = lists_[size_t(pageIndex)];
    if (list->size() == 0) {
        statusBar()->showMessage(GetUiText(UiTextId::NothingToSave), kFileReportMs);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    const bool saved = SaveList(path, list->rows(), &error);
    QApplication::restoreOverrideCursor();
    statusBar()->showMessage(saved ? GetUiText(UiTextId::Saved).arg(list->size()).arg(path)
                                   : GetUiText(UiTextId::CannotSaveLogFile).arg(path, error),
                             kFileReportMs);
}

void CSysLogDlg::OnOpenLog()
{
    showLogFileDialog(QFileDialog::AcceptOpen,
                      [this](int, const QString& path) { openIntoPage(path); });
}

void CSysLogDlg::openIntoPage(const QString& path)
{
    // The extension picks the page, exactly as written: "vlg" is a VPN log, "VLG" is not.
    if (const auto category = categoryForExtension(QFileInfo(path).suffix()))
        sheet_->setCurrentIndex(categoryIndex(*category));
    const int target = sheet_->currentIndex();
    if (target < 0 || target >= kCategoryCount)
        return;
    LogList* list = lists_[size_t(target)];
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    qsizetype inFile = 0;
    // The list is replaced only once the whole file has been read.
    const bool loaded = reader_.load(path, *list, &error, &inFile);
    QApplication::restoreOverrideCursor();
    QString report;
    if (!loaded)
        report = GetUiText(UiTextId::CannotOpenLogFile).arg(path, error);
    else if (inFile > list->size())
        // One multi-argument arg: the path may hold "%1" itself.
        report = GetUiText(UiTextId::ReadNewest)
                     .arg(QString::number(list->size()), QString::number(inFile), path,
                          QString::number(list->maxRows()));
    else
        report = GetUiText(UiTextId::ReadEntries).arg(list->size()).arg(path);
    statusBar()->showMessage(report, kFileReportMs);
    // The entry chart counts the file's entries by their own times.
    if (loaded)
        activity_->addFile(LogCategory(target), list->rows(), QDateTime::currentMSecsSinceEpoch());
}

void CSysLogDlg::OnClearLog()
{
    if (clearDlg_->isVisible()) {
        clearDlg_->raise();
        return;
    }
    const int page = sheet_->currentIndex();
    for (LogCategory c : kAllCategories)
        clearDlg_->flag(c) = categoryIndex(c) == page ? 1 : 0;
    clearDlg_->OnInitDialog();
    clearDlg_->open();
}

int CSysLogDlg::ClearList(LogList* list)
{
    list->clear();
    return 1;
}

void CSysLogDlg::clearChosenLists()
{
    for (LogCategory c : kAllCategories)
        if (clearDlg_->flag(c) != 0)
            ClearList(lists_[size_t(categoryIndex(c))]);
}

} // namespace quendal
