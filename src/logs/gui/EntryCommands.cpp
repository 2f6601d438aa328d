#include "logs/gui/EntryCommands.h"

#include "common/core/UiText.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "logs/gui/EntryCopyText.h"
#include "logs/gui/EntryDetailsDialog.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

namespace quendal {

EntryCommands::EntryCommands(LogCategory category, CColorListCtrl* ctrl)
    : QObject(ctrl), category_(category), ctrl_(ctrl)
{
    copy_ = new QAction(GetUiText(UiTextId::Copy), this);
    copy_->setShortcut(QKeySequence::Copy);
    copy_->setShortcutContext(Qt::WidgetShortcut);
    ctrl_->addAction(copy_);
    copyMessage_ = new QAction(GetUiText(UiTextId::CopyMessage), this);
    details_ = new QAction(GetUiText(UiTextId::Details), this);
    connect(copy_, &QAction::triggered, this, &EntryCommands::copySelection);
    connect(copyMessage_, &QAction::triggered, this, &EntryCommands::copySelectedMessages);
    connect(details_, &QAction::triggered, this, [this] { showDetails(ctrl_->currentRow()); });
    connect(ctrl_, &CColorListCtrl::rowActivated, this, &EntryCommands::showDetails);

    menu_ = new QMenu(ctrl_);
    menu_->addAction(copy_);
    menu_->addAction(copyMessage_);
    menu_->addAction(details_);
    ctrl_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ctrl_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        updateEnabled();
        menu_->popup(ctrl_->viewport()->mapToGlobal(at));
    });
}

void EntryCommands::updateEnabled()
{
    const bool selected = ctrl_->selectedRange().first >= 0;
    copy_->setEnabled(selected);
    copyMessage_->setEnabled(selected);
    details_->setEnabled(ctrl_->currentRow() >= 0);
}

void EntryCommands::copySelection()
{
    const auto [first, last] = ctrl_->selectedRange();
    if (first < 0 || !ctrl_->displayModel())
        return;
    QGuiApplication::clipboard()->setText(
        copyRowsText(*ctrl_->displayModel(), int(first), int(last), ctrl_->shownColumns()));
}

void EntryCommands::copySelectedMessages()
{
    const auto [first, last] = ctrl_->selectedRange();
    if (first < 0 || !ctrl_->displayModel())
        return;
    QGuiApplication::clipboard()->setText(
        copyMessagesText(*ctrl_->displayModel(), int(first), int(last)));
}

void EntryCommands::showDetails(qsizetype row)
{
    const QAbstractItemModel* model = ctrl_->displayModel();
    if (!model || row < 0 || row >= model->rowCount())
        return;
    if (!dialog_)
        dialog_ = new EntryDetailsDialog(ctrl_->window());
    // A copy: the row may leave the list while the dialog is open.
    dialog_->showEntry(category_, entryAt(*model, int(row)));
    dialog_->show();
    dialog_->raise();
}

} // namespace quendal
