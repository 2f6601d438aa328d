#include "netinfo/core/SocketTableModel.h"

namespace quendal {

SocketTableModel::SocketTableModel(QStringList captions, QObject* parent)
    : QAbstractTableModel(parent), captions_(std::move(captions))
{}

int SocketTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int SocketTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(captions_.size());
}

QVariant SocketTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

QVariant SocketTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= captions_.size())
        return {};
    if (role == Qt::DisplayRole)
        return captions_[section];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

void SocketTableModel::setRows(QList<QStringList> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void SocketTableModel::clear()
{
    setRows({});
}

QString SocketTableModel::text(int row, int column) const
{
    if (row < 0 || row >= rows_.size())
        return {};
    const QStringList& texts = rows_[row];
    return column >= 0 && column < texts.size() ? texts[column] : QString();
}

} // namespace quendal
