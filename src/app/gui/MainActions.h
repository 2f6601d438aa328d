#pragma once

#include <QKeySequence>
#include <QObject>

#include <array>

class QAction;
class QWidget;

namespace quendal {

class CHoverButton;

// The window's commands as one set of actions, shared by the tool strip, the notification-area
// popup and the keyboard: each command's enabled state is decided here, once, and every place
// that offers it follows. The tooltips name the shortcut.
class MainActions : public QObject
{
    Q_OBJECT

public:
    // Log tabs, network tabs and the Activity tab, reached with Ctrl+1 to Ctrl+9.
    static constexpr int kTabCount = 9;

    // The actions' shortcuts work while `window` or any of its children has the focus.
    explicit MainActions(QWidget* window);

    QAction* start() const { return start_; }
    QAction* stop() const { return stop_; }
    QAction* open() const { return open_; }
    QAction* save() const { return save_; }
    QAction* clear() const { return clear_; }
    QAction* find() const { return find_; }
    QAction* searchHistory() const { return searchHistory_; }
    QAction* exit() const { return exit_; }
    QAction* tab(int index) const { return tabs_[size_t(index)]; }

    // Texts from the UI-text table, with the shortcut in each tooltip.
    void applyUiTexts();
    // Start and Stop as Attach and Detach, for a window that shows a service's entries.
    void setAttachMode(bool attach);

    // Reception running: Start off, Stop on.
    void setRunning(bool running);
    // A log page is shown: Open, Save and Find on.
    void setLogPageShown(bool shown);

    // The button triggers the action and follows its enabled state and tooltip.
    static void bindButton(CHoverButton* button, QAction* action);

Q_SIGNALS:
    // Ctrl+1..8: the tab to show.
    void tabRequested(int index);

private:
    QAction* make(const QKeySequence& shortcut);

    QWidget* window_;
    QAction* start_;
    QAction* stop_;
    bool attachMode_ = false;
    QAction* open_;
    QAction* save_;
    QAction* clear_;
    QAction* find_;
    QAction* searchHistory_;
    QAction* exit_;
    std::array<QAction*, kTabCount> tabs_{};
};

} // namespace quendal
