#include "app/gui/CClearLogDlg.h"

#include "app/gui/DialogWidth.h"
#include "common/core/UiText.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QVBoxLayout>

namespace quendal {
namespace {

// The boxes top to bottom, with the UI text of each caption.
struct BoxText
{
    LogCategory category;
    UiTextId text;
};

constexpr BoxText kBoxes[] = {{LogCategory::FireWall, UiTextId::ClearFireWallLog},
                              {LogCategory::VPN, UiTextId::ClearVpnLog},
                              {LogCategory::UserAccess, UiTextId::ClearUserAccessLog},
                              {LogCategory::Call, UiTextId::ClearCallLog},
                              {LogCategory::Wan, UiTextId::ClearWanLog}};

} // namespace

CClearLogDlg::CClearLogDlg(QWidget* parent) : QDialog(parent)
{
    setWindowIcon(QIcon(QStringLiteral(":/icons/quendal-syslog.svg")));
    useSmallDialogFrame(this);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* group = new QGroupBox(this);
    auto* column = new QVBoxLayout(group);
    for (const BoxText& box : kBoxes) {
        auto* check = new QCheckBox(group);
        boxes_[size_t(categoryIndex(box.category))] = check;
        column->addWidget(check);
    }
    layout->addWidget(group);

    auto* buttons = new QHBoxLayout;
    ok_ = new QPushButton(this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(this);
    buttons->addWidget(ok_);
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &CClearLogDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CClearLogDlg::reject);
    OnInitDialog();
}

int& CClearLogDlg::flag(LogCategory c)
{
    switch (c) {
    case LogCategory::FireWall:
        return ClearFireWall;
    case LogCategory::VPN:
        return ClearVPN;
    case LogCategory::UserAccess:
        return ClearUserAccess;
    case LogCategory::Call:
        return ClearCall;
    case LogCategory::Wan:
        break;
    }
    return ClearWan;
}

void CClearLogDlg::OnInitDialog()
{
    setWindowTitle(GetUiText(UiTextId::ClearLogTitle));
    for (const BoxText& box : kBoxes) {
        QCheckBox* check = checkBox(box.category);
        check->setText(GetUiText(box.text));
        check->setChecked(flag(box.category) != 0);
    }
    ok_->setText(GetUiText(UiTextId::Ok));
    cancel_->setText(GetUiText(UiTextId::Cancel));
    fitWidthToTitle(this);
    // A button keeps the default role while it has the focus: after an earlier Cancel by mouse,
    // Enter would cancel again. OK is the default at every opening.
    cancel_->setDefault(false);
    ok_->setDefault(true);
    ok_->setFocus();
}

void CClearLogDlg::accept()
{
    for (LogCategory c : kAllCategories)
        flag(c) = checkBox(c)->isChecked() ? 1 : 0;
    QDialog::accept();
}

} // namespace quendal
