#include "app/gui/MainActions.h"

#include "common/core/UiText.h"
#include "controls/gui/CHoverButton.h"

#include <QAction>
#include <QWidget>

namespace quendal {
namespace {

// "Open (Ctrl+O)": the command and how to reach it from the keyboard.
QString tipWithShortcut(const QString& text, const QKeySequence& shortcut)
{
    if (shortcut.isEmpty())
        return text;
    return QStringLiteral("%1 (%2)").arg(text, shortcut.toString(QKeySequence::NativeText));
}

} // namespace

MainActions::MainActions(QWidget* window) : QObject(window), window_(window)
{
    start_ = make(QKeySequence(Qt::Key_F5));
    stop_ = make(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    open_ = make(QKeySequence(Qt::CTRL | Qt::Key_O));
    save_ = make(QKeySequence(Qt::CTRL | Qt::Key_S));
    clear_ = make(QKeySequence(Qt::CTRL | Qt::Key_L));
    find_ = make(QKeySequence(Qt::CTRL | Qt::Key_F));
    searchHistory_ = make(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    exit_ = make(QKeySequence(Qt::CTRL | Qt::Key_Q));
    for (int i = 0; i < kTabCount; ++i) {
        QAction* action = make(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)));
        connect(action, &QAction::triggered, this, [this, i] { Q_EMIT tabRequested(i); });
        tabs_[size_t(i)] = action;
    }
    stop_->setEnabled(false);
    applyUiTexts();
}

QAction* MainActions::make(const QKeySequence& shortcut)
{
    auto* action = new QAction(this);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    window_->addAction(action);
    return action;
}

void MainActions::applyUiTexts()
{
    const auto apply = [](QAction* action, const QString& text) {
        action->setText(text);
        action->setToolTip(tipWithShortcut(text, action->shortcut()));
    };
    apply(start_, attachMode_ ? GetUiText(UiTextId::Attach) : GetUiText(UiTextId::Start));
    apply(stop_, attachMode_ ? GetUiText(UiTextId::Detach) : GetUiText(UiTextId::Stop));
    apply(clear_, GetUiText(UiTextId::Clear));
    apply(save_, GetUiText(UiTextId::Save));
    apply(open_, GetUiText(UiTextId::Open));
    apply(exit_, GetUiText(UiTextId::Exit));
    apply(find_, GetUiText(UiTextId::Find));
    apply(searchHistory_, GetUiText(UiTextId::SearchHistory));
}

void MainActions::setAttachMode(bool attach)
{
    attachMode_ = attach;
    applyUiTexts();
}

void MainActions::setRunning(bool running)
{
    start_->setEnabled(!running);
    stop_->setEnabled(running);
}

void MainActions::setLogPageShown(bool shown)
{
    open_->setEnabled(shown);
    save_->setEnabled(shown);
    find_->setEnabled(shown);
}

void MainActions::bindButton(CHoverButton* button, QAction* action)
{
    const auto follow = [button, action] {
        button->setEnabled(action->isEnabled());
        button->SetTipText(action->toolTip());
    };
    follow();
    connect(action, &QAction::changed, button, follow);
    connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
}

} // namespace quendal
