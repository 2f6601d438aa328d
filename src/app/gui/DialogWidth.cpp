#include "app/gui/DialogWidth.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QLayout>
#include <QSpacerItem>
#include <QVariant>

#include <algorithm>

namespace quendal {
namespace {

// What a title bar needs besides the title: the window icon on the left, the close button on
// the right, and the margins; generous, since every window manager draws its own.
constexpr int kTitleBarExtra = 120;
constexpr const char* kSpacerProperty = "quendalTitleSpacer";

} // namespace

void fitWidthToTitle(QDialog* dialog)
{
    // Title bars often use a bold or larger font than the dialog's own.
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int title = std::max(QFontMetrics(titleFont).horizontalAdvance(dialog->windowTitle()),
                               dialog->fontMetrics().horizontalAdvance(dialog->windowTitle()));
    // Window managers draw titles in fonts of their own, often larger than any the program knows.
    const int width = title * 5 / 4 + kTitleBarExtra;
    QLayout* layout = dialog->layout();
    if (!layout || layout->sizeConstraint() != QLayout::SetFixedSize) {
        dialog->setMinimumWidth(std::max(dialog->minimumWidth(), width));
        return;
    }
    // A dialog of fixed size takes its width from its layout: an empty item of that width there.
    const QMargins margins = layout->contentsMargins();
    const int inner = std::max(0, width - margins.left() - margins.right());
    auto* spacer = static_cast<QSpacerItem*>(dialog->property(kSpacerProperty).value<void*>());
    if (!spacer) {
        spacer = new QSpacerItem(inner, 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
        layout->addItem(spacer);
        dialog->setProperty(kSpacerProperty, QVariant::fromValue(static_cast<void*>(spacer)));
    } else {
        spacer->changeSize(inner, 0, QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    layout->invalidate();
}

void useSmallDialogFrame(QDialog* dialog)
{
    // A title and a close button: minimising or maximising a few fields means nothing.
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

} // namespace quendal
