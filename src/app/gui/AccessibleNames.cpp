#include "app/gui/AccessibleNames.h"

#include "app/gui/CSysLogDlg.h"
#include "app/gui/MainActions.h"
#include "common/core/UiText.h"
#include "controls/gui/CColorListCtrl.h"
#include "controls/gui/CHoverButton.h"
#include "logs/gui/CCategoryPage.h"
#include "logs/gui/FindBar.h"
#include "netinfo/gui/SocketTablePage.h"
#include "netinfo/gui/SocketTableView.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QToolButton>

namespace quendal {
namespace {

// "&Open" is said "Open".
QString withoutMnemonic(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    return text.trimmed();
}

void nameButton(CHoverButton* button, const QAction* action)
{
    button->setAccessibleName(withoutMnemonic(action->text()));
    button->setAccessibleDescription(action->toolTip());
}

// The clear button a line edit shows while it holds text.
void nameClearButton(QLineEdit* edit, const QString& name)
{
    for (QToolButton* button : edit->findChildren<QToolButton*>())
        button->setAccessibleName(name);
}

bool hasLabel(const QWidget* widget)
{
    for (const QLabel* label : widget->window()->findChildren<QLabel*>())
        if (label->buddy() == widget && !label->text().isEmpty())
            return true;
    return false;
}

} // namespace

void nameControls(CSysLogDlg& window)
{
    const MainActions* actions = window.actions();
    nameButton(window.openButton(), actions->open());
    nameButton(window.saveButton(), actions->save());
    nameButton(window.clearButton(), actions->clear());
    nameButton(window.stopButton(), actions->stop());
    nameButton(window.startButton(), actions->start());
    window.hostBox()->setAccessibleName(GetUiText(UiTextId::SendersAccepted));

    QTabWidget* sheet = window.sheet();
    sheet->setAccessibleName(GetUiText(UiTextId::Pages));
    for (LogCategory c : kAllCategories) {
        CCategoryPage* page = window.categoryPage(c);
        const QString tab = sheet->tabText(sheet->indexOf(page));
        page->listCtrl()->setAccessibleName(withoutMnemonic(tab));
        FindBar* bar = page->findBar();
        bar->textEdit()->setAccessibleName(GetUiText(UiTextId::Find));
        nameClearButton(bar->textEdit(), GetUiText(UiTextId::ClearFindText));
        QString host = GetUiText(UiTextId::HostLabel);
        if (host.endsWith(QLatin1Char(':')))
            host.chop(1);
        bar->hostEdit()->setAccessibleName(host);
        nameClearButton(bar->hostEdit(), GetUiText(UiTextId::Clear));
    }
    for (int i = 0; i < sheet->count(); ++i)
        if (auto* page = qobject_cast<SocketTablePage*>(sheet->widget(i)))
            page->view()->setAccessibleName(withoutMnemonic(sheet->tabText(i)));
    nameUnnamedControls(&window);
}

void nameUnnamedControls(QWidget* root)
{
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (widget->focusPolicy() == Qt::NoFocus || !widget->accessibleName().isEmpty())
            continue;
        QString name;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            name = button->text();
            if (name.isEmpty() || !name.at(0).isLetterOrNumber())
                name = button->toolTip();
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (!hasLabel(edit))
                name = edit->placeholderText();
        } else if (!hasLabel(widget)) {
            name = widget->toolTip();
        }
        // Last, the frame around it, or the page it is on: the list of the Client page.
        for (QWidget* up = widget->parentWidget(); name.isEmpty() && up && !up->isWindow();
             up = up->parentWidget()) {
            if (auto* group = qobject_cast<QGroupBox*>(up))
                name = group->title();
            if (name.isEmpty())
                name = up->windowTitle();
        }
        if (!name.isEmpty())
            widget->setAccessibleName(withoutMnemonic(name));
    }
}

} // namespace quendal
