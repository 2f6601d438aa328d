#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

namespace quendal {

// A snapshot of a socket table as texts, one list of cell texts per row, in the system's order.
// The pages rebuild it whole on every refresh; it never sorts.
class SocketTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit SocketTableModel(QStringList captions, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Replaces every row; a row with fewer texts than columns shows the rest empty.
    void setRows(QList<QStringList> rows);
    void clear();

    QString text(int row, int column) const;

private:
    QStringList captions_;
    QList<QStringList> rows_;
};

} // namespace quendal
