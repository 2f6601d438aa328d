#pragma once

#include "logs/gui/RowMatcher.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;

namespace quendal {

class CColorListCtrl;
class RowFilter;

// The find bar above a log list (Ctrl+F): a text (ignoring case unless asked; optionally a
// regular expression), an optional part of the sender's host, a severity ("warning and worse"),
// and the choice between showing only the matching rows and marking them among all rows. It
// applies to the rows there and to those arriving, counts "N of M", and moves between the
// matches with Enter / Shift+Enter and F3 / Shift+F3, from the row selected in the list: the
// match it moves to becomes the list's selected row, shown as such while the bar is open even
// with the focus in the find field. Esc closes it and gives the list back whole. The filtering sits
// between the list and its view, on the window's side: reception never waits for it.
class FindBar : public QWidget
{
    Q_OBJECT

public:
    explicit FindBar(CColorListCtrl* ctrl, QWidget* parent = nullptr);
    ~FindBar() override;

    // Shows the bar with the focus in the text.
    void open();
    // Hides it; the list shows every row again.
    void close();

    QLineEdit* textEdit() const { return text_; }
    QLineEdit* hostEdit() const { return host_; }
    QCheckBox* caseBox() const { return case_; }
    QCheckBox* regexBox() const { return regex_; }
    QCheckBox* onlyMatchingBox() const { return only_; }
    // "Any severity", then "emergency (0)", "alert (1) and worse" ... "debug (7) and worse".
    QComboBox* severityBox() const { return severity_; }
    QString countText() const;
    RowFilter* filter() const { return filter_; }
    // The match selected now, 0 = newest; -1 for none.
    qsizetype currentMatch() const { return current_; }

    // Applies what is typed now instead of after the short pause that typing gets.
    void applyNow();

public Q_SLOTS:
    void findNext();
    void findPrevious();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onMatchCountChanged(qsizetype count);
    void showMatch();
    void updateCount();

    CColorListCtrl* ctrl_;
    RowFilter* filter_ = nullptr;
    QLineEdit* text_;
    QCheckBox* case_;
    QCheckBox* regex_;
    QCheckBox* only_;
    QLineEdit* host_;
    QComboBox* severity_;
    QLabel* count_;
    QToolButton* closeButton_;
    QTimer* typing_;
    qsizetype current_ = -1;
    qsizetype lastCount_ = 0;
    bool listShowedSelectionAlways_ = false;
};

} // namespace quendal
