#include "app/gui/AttachOffer.h"

#include "app/core/SettingsStore.h"
#include "common/core/UiText.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QMessageBox>

namespace quendal {

using namespace Qt::StringLiterals;

namespace {
const QString kChoiceKey = u"AttachToService"_s;
}

bool wantsToAttach(QWidget* parent, SettingsStore& store, const QString& path)
{
    if (!QFileInfo(path).exists())
        return false;
    if (const auto remembered = store.value(kChoiceKey))
        return remembered->toBool();
    QMessageBox box(QMessageBox::Question, GetUiText(UiTextId::ProgramName),
                    GetUiText(UiTextId::AttachOfferText).arg(path),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    auto* remember = new QCheckBox(GetUiText(UiTextId::RememberChoice), &box);
    box.setCheckBox(remember);
    const bool attach = box.exec() == QMessageBox::Yes;
    if (remember->isChecked())
        store.storeValues({{kChoiceKey, attach}});
    return attach;
}

} // namespace quendal
