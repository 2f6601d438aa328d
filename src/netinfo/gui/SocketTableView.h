#pragma once

#include <QList>
#include <QTableView>

namespace quendal {

// The list of a socket table page: grid lines, whole-row selection, no sorting, no editing, each
// column at its given width, and a tooltip with the full text of a cell that is cut off.
class SocketTableView : public QTableView
{
    Q_OBJECT
public:
    explicit SocketTableView(QWidget* parent = nullptr);

    // Sets the model and gives its columns the widths in pixels, in column order.
    void setModelWithWidths(QAbstractItemModel* model, const QList<int>& widths);

    // Whether the cell's text needs more room than its column gives it.
    bool isCutOff(const QModelIndex& index) const;

protected:
    bool viewportEvent(QEvent* event) override;
};

} // namespace quendal
