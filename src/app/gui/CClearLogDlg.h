#pragma once

#include "logs/core/LogCategory.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QPushButton;

namespace quendal {

// "Select clean LOG": one box per category list; OK empties the ticked lists. The window keeps
// one of these for its whole life and ticks the active page's box before every opening.
class CClearLogDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CClearLogDlg(QWidget* parent = nullptr);

    // The choice, one flag per category: set before opening, taken from the boxes by OK only.
    int ClearCall = 0;
    int ClearFireWall = 0;
    int ClearUserAccess = 0;
    int ClearVPN = 0;
    int ClearWan = 0;

    int& flag(LogCategory c);

    // Captions from the UI texts and the flags into the boxes; run before every opening.
    void OnInitDialog();

    QCheckBox* checkBox(LogCategory c) const { return boxes_[size_t(categoryIndex(c))]; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

public Q_SLOTS:
    void accept() override;

private:
    std::array<QCheckBox*, kCategoryCount> boxes_{};
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace quendal
