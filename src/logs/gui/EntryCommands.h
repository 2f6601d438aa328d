#pragma once

#include "logs/core/LogCategory.h"
#include "logs/gui/EntryDetailsDialog.h"

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;

namespace quendal {

class CColorListCtrl;
class EntryDetailsDialog;

// What a log list offers on its rows: Copy (Ctrl+C) and Copy message to the clipboard, and the
// details of an entry on a double click or Enter, all also in the list's context menu.
class EntryCommands : public QObject
{
    Q_OBJECT

public:
    EntryCommands(LogCategory category, CColorListCtrl* ctrl);

    QAction* copyAction() const { return copy_; }
    QAction* copyMessageAction() const { return copyMessage_; }
    QAction* detailsAction() const { return details_; }
    // The context menu's entries; others (the find bar, alerts) may add theirs.
    QMenu* contextMenu() const { return menu_; }
    EntryDetailsDialog* detailsDialog() const { return dialog_; }

    void copySelection();
    void copySelectedMessages();
    void showDetails(qsizetype row);

private:
    void updateEnabled();

    LogCategory category_;
    CColorListCtrl* ctrl_;
    QAction* copy_;
    QAction* copyMessage_;
    QAction* details_;
    QMenu* menu_;
    QPointer<EntryDetailsDialog> dialog_;
};

} // namespace quendal
