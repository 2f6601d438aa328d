#include "logs/gui/CCategoryPage.h"

#include "common/core/UiText.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/core/LogList.h"
#include "logs/core/SeverityText.h"
#include "logs/gui/EntryCommands.h"
#include "logs/gui/FindBar.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>

namespace quendal {
namespace {

// Room a cell gives besides its text: the indent on the left, grid line and a gap on the right.
constexpr int kCellMargin = 10;

constexpr int kOptionalColumns[] = {LogList::SeverityColumn, LogList::SenderColumn};

int widestDigit(const QFontMetrics& metrics)
{
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c)
        digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(c)));
    return digit;
}

// The widest time in this font, classic ("Mar 14 09:26:53") or the compact form of an RFC 3339
// stamp ("2026-12-08 09:39:51"): digits and month names differ in width.
int timeWidth(const QFontMetrics& metrics)
{
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int digit = widestDigit(metrics);
    int month = 0;
    for (const char* name : kMonths)
        month = std::max(month, metrics.horizontalAdvance(QLatin1String(name)));
    const int blank = metrics.horizontalAdvance(QLatin1Char(' '));
    const int colons = 2 * metrics.horizontalAdvance(QLatin1Char(':'));
    const int classic = month + 2 * blank + colons + 8 * digit;
    const int compact =
        14 * digit + 2 * metrics.horizontalAdvance(QLatin1Char('-')) + blank + colons;
    return std::max(classic, compact);
}

int optionalColumnWidth(int column, const QFontMetrics& metrics)
{
    if (column == LogList::SenderColumn)
        return metrics.horizontalAdvance(QStringLiteral("255.255.255.255"));
    int widest = 0;
    for (int severity = 0; severity <= 7; ++severity)
        widest = std::max(widest, metrics.horizontalAdvance(severityText(Severity(severity))));
    return widest;
}

QString captionOf(int column)
{
    return GetUiText(column == LogList::SeverityColumn ? UiTextId::SeverityField
                                                       : UiTextId::SenderAddressField);
}

} // namespace

CCategoryPage::CCategoryPage(LogCategory category, LogList* list, QWidget* parent)
    : QWidget(parent), category_(category),
      listCtrl_(new CColorListCtrl(LogList::kColumnCount, this))
{
    listCtrl_->setList(list);
    // Severity and Sender, when shown, sit before the Message, which fills the rest.
    listCtrl_->setColumnOrder({LogList::TimeColumn, LogList::HostColumn, LogList::SeverityColumn,
                               LogList::SenderColumn, LogList::MessageColumn});
    columnsMenu_ = new QMenu(this);
    for (int column : kOptionalColumns) {
        listCtrl_->setColumnHidden(column, true);
        QAction* action = columnsMenu_->addAction(captionOf(column));
        action->setCheckable(true);
        action->setData(column);
        connect(action, &QAction::toggled, this,
                [this, column](bool on) { setOptionalColumnShown(column, on); });
    }
    QHeaderView* header = listCtrl_->header();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this,
            [this, header](const QPoint& at) { columnsMenu_->popup(header->mapToGlobal(at)); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    findBar_ = new FindBar(listCtrl_, this);
    layout->addWidget(findBar_);
    layout->addWidget(listCtrl_);
    listCtrl_->setStretchLastColumn(true);
    commands_ = new EntryCommands(category, listCtrl_);
    OnInitDialog();
}

void CCategoryPage::OnInitDialog()
{
    const QStringList captions = {GetUiText(UiTextId::TimeColumn), GetUiText(UiTextId::HostColumn),
                                  GetUiText(UiTextId::MessageColumn),
                                  captionOf(LogList::SeverityColumn),
                                  captionOf(LogList::SenderColumn)};
    listCtrl_->SetupColumns(captions, {8, 8, 84, 0, 0}, kListWidth);
    // The proportions are the start; a whole time and a whole dotted address come first.
    const QFontMetrics metrics = listCtrl_->fontMetrics();
    listCtrl_->setColumnWidth(
        0, std::max(listCtrl_->columnWidth(0), timeWidth(metrics) + kCellMargin));
    const int address = metrics.horizontalAdvance(QStringLiteral("255.255.255.255"));
    listCtrl_->setColumnWidth(1, std::max(listCtrl_->columnWidth(1), address + kCellMargin));
    for (int column : kOptionalColumns)
        listCtrl_->setColumnWidth(column, optionalColumnWidth(column, metrics) + kCellMargin);
    for (QAction* action : columnsMenu_->actions())
        action->setText(captionOf(action->data().toInt()));
}

QList<int> CCategoryPage::shownOptionalColumns() const
{
    QList<int> shown;
    for (int column : kOptionalColumns) {
        if (!listCtrl_->isColumnHidden(column))
            shown.append(column);
    }
    return shown;
}

void CCategoryPage::setOptionalColumnShown(int column, bool shown)
{
    if (column != LogList::SeverityColumn && column != LogList::SenderColumn)
        return;
    listCtrl_->setColumnHidden(column, !shown);
    for (QAction* action : columnsMenu_->actions()) {
        if (action->data().toInt() == column && action->isChecked() != shown)
            action->setChecked(shown);
    }
}

} // namespace quendal
