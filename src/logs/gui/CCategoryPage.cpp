#include "logs/gui/CCategoryPage.h"

#include "app/core/UiText.h"
#include "controls/gui/CColorListCtrl.h"

#include <QVBoxLayout>

namespace quendal {

CCategoryPage::CCategoryPage(LogCategory category, LogList* list, QWidget* parent)
    : QWidget(parent), category_(category), listCtrl_(new CColorListCtrl(3, this))
{
    listCtrl_->setList(list);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(listCtrl_);
    OnInitDialog();
}

void CCategoryPage::OnInitDialog()
{
    const QStringList captions = {GetUiText(9011), GetUiText(9012), GetUiText(9013)};
    listCtrl_->SetupColumns(captions, {8, 8, 84}, kListWidth);
}

} // namespace quendal
