#pragma once

#include "logs/core/LogCategory.h"

#include <QList>
#include <QWidget>

class QMenu;

namespace quendal {

class CColorListCtrl;
class EntryCommands;
class FindBar;
class LogList;

// A category's tab: one colour list of its entries, Time, Host and Message, newest on top. The
// Severity and Sender columns are shown beside them when chosen from the header's context menu.
class CCategoryPage : public QWidget
{
    Q_OBJECT

public:
    // Column widths in percent of kListWidth pixels.
    static constexpr int kListWidth = 1224;

    CCategoryPage(LogCategory category, LogList* list, QWidget* parent = nullptr);

    LogCategory category() const { return category_; }
    CColorListCtrl* listCtrl() const { return listCtrl_; }
    // Copy, Copy message and the details of the list's rows.
    EntryCommands* commands() const { return commands_; }
    // Ctrl+F: the bar above the list.
    FindBar* findBar() const { return findBar_; }

    // Column captions from the UI texts and the column widths; run again after the texts change.
    void OnInitDialog();

    // The optional columns (LogList::SeverityColumn, SenderColumn) shown now.
    QList<int> shownOptionalColumns() const;
    void setOptionalColumnShown(int column, bool shown);
    // The header's context menu: a check box for each optional column.
    QMenu* columnsMenu() const { return columnsMenu_; }

private:
    LogCategory category_;
    CColorListCtrl* listCtrl_;
    EntryCommands* commands_ = nullptr;
    FindBar* findBar_ = nullptr;
    QMenu* columnsMenu_ = nullptr;
};

// The five category pages, in the order of their tabs: each is the page of its category.
template <LogCategory Category> class CategoryPageOf final : public CCategoryPage
{
public:
    explicit CategoryPageOf(LogList* list, QWidget* parent = nullptr)
        : CCategoryPage(Category, list, parent)
    {}
};

using CFireWallPage = CategoryPageOf<LogCategory::FireWall>;
using CVPNPage = CategoryPageOf<LogCategory::VPN>;
using CUserAccessPage = CategoryPageOf<LogCategory::UserAccess>;
using CCallLogPage = CategoryPageOf<LogCategory::Call>;
using CWanLogPage = CategoryPageOf<LogCategory::Wan>;

} // namespace quendal
