#include "logs/gui/CCategoryPage.h"

#include "common/core/UiText.h"
#include "controls/gui/CColorListCtrl.h"
#include "logs/gui/EntryCommands.h"
#include "logs/gui/FindBar.h"

#include <QVBoxLayout>

#include <algorithm>

namespace quendal {
namespace {

// Room a cell gives besides its text: the indent on the left, grid line and a gap on the right.
constexpr int kCellMargin = 10;

// The widest classic syslog time in this font: digits and month names differ in width.
int classicTimeWidth(const QFontMetrics& metrics)
{
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c)
        digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(c)));
    int month = 0;
    for (const char* name : kMonths)
        month = std::max(month, metrics.horizontalAdvance(QLatin1String(name)));
    return month + 2 * metrics.horizontalAdvance(QLatin1Char(' ')) +
           2 * metrics.horizontalAdvance(QLatin1Char(':')) + 8 * digit;
}

} // namespace

CCategoryPage::CCategoryPage(LogCategory category, LogList* list, QWidget* parent)
    : QWidget(parent), category_(category), listCtrl_(new CColorListCtrl(3, this))
{
    listCtrl_->setList(list);
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
                                  GetUiText(UiTextId::MessageColumn)};
    listCtrl_->SetupColumns(captions, {8, 8, 84}, kListWidth);
    // The proportions are the start; a whole time and a whole dotted address come first.
    const QFontMetrics metrics = listCtrl_->fontMetrics();
    listCtrl_->setColumnWidth(
        0, std::max(listCtrl_->columnWidth(0), classicTimeWidth(metrics) + kCellMargin));
    const int address = metrics.horizontalAdvance(QStringLiteral("255.255.255.255"));
    listCtrl_->setColumnWidth(1, std::max(listCtrl_->columnWidth(1), address + kCellMargin));
}

} // namespace quendal
