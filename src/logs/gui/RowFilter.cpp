#include "logs/gui/RowFilter.h"

#include "logs/core/LogList.h"

#include <algorithm>

namespace quendal {

RowFilter::RowFilter(LogList* source, QObject* parent)
    : QAbstractTableModel(parent), source_(source)
{
    // While every row is shown, this model's rows change exactly when the list's do.
    connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid() && !onlyMatching_ && first == 0) {
                    beginInsertRows({}, first, last);
                    mirroring_ = true;
                }
            });
    connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid() && !onlyMatching_ && last == source_->rowCount() - 1) {
                    beginRemoveRows({}, first, last);
                    mirroring_ = true;
                }
            });
    connect(source, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid())
                    onRowsInserted(first, last);
            });
    connect(source, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid())
                    onRowsRemoved(first, last);
            });
    connect(source, &QAbstractItemModel::modelReset, this, &RowFilter::rebuild);
    connect(source, &QAbstractItemModel::layoutChanged, this, &RowFilter::rebuild);
    connect(source, &QAbstractItemModel::dataChanged, this, [this] {
        if (rowCount() > 0)
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    });
    rebuild();
}

void RowFilter::setQuery(const FindQuery& query)
{
    if (query == query_)
        return;
    query_ = query;
    matcher_ = RowMatcher(query_);
    rebuild();
}

void RowFilter::setOnlyMatching(bool only)
{
    if (only == onlyMatching_)
        return;
    beginResetModel();
    onlyMatching_ = only;
    mirrored_ = source_ ? source_->rowCount() : 0;
    endResetModel();
}

qsizetype RowFilter::sourceRowOfSeq(qint64 seq) const
{
    return source_->size() - 1 - qsizetype(seq - oldestSeq_);
}

qint64 RowFilter::seqOfSourceRow(qsizetype row) const
{
    return oldestSeq_ + (source_->size() - 1 - row);
}

void RowFilter::rebuild()
{
    beginResetModel();
    matches_.clear();
    mirrored_ = source_ ? source_->rowCount() : 0;
    if (source_) {
        const LogRows& rows = source_->rows();
        // Oldest first, so that the matches come out in their order.
        for (qsizetype row = rows.size() - 1; row >= 0; --row) {
            if (matcher_.matches(rows.at(row)))
                matches_.push_back(seqOfSourceRow(row));
        }
    }
    endResetModel();
    Q_EMIT matchCountChanged(matchCount());
}

void RowFilter::onRowsInserted(int first, int last)
{
    if (first != 0 || (!onlyMatching_ && !mirroring_)) {
        rebuild();
        return;
    }
    std::vector<qint64> found;
    const LogRows& rows = source_->rows();
    for (int row = last; row >= first; --row) {
        if (matcher_.matches(rows.at(row)))
            found.push_back(seqOfSourceRow(row));
    }
    if (onlyMatching_) {
        if (found.empty())
            return;
        beginInsertRows({}, 0, int(found.size()) - 1);
        matches_.insert(matches_.end(), found.begin(), found.end());
        endInsertRows();
    } else {
        matches_.insert(matches_.end(), found.begin(), found.end());
        mirrored_ += last - first + 1;
        mirroring_ = false;
        endInsertRows();
    }
    if (!found.empty())
        Q_EMIT matchCountChanged(matchCount());
}

void RowFilter::onRowsRemoved(int first, int last)
{
    const qsizetype count = qsizetype(last) - first + 1;
    // Rows leaving at the bottom (a bounded list) keep every other row's number.
    if (last != source_->size() + count - 1 || (!onlyMatching_ && !mirroring_)) {
        rebuild();
        return;
    }
    const qint64 newOldest = oldestSeq_ + count;
    const auto gone =
        qsizetype(std::lower_bound(matches_.begin(), matches_.end(), newOldest) - matches_.begin());
    if (onlyMatching_) {
        if (gone > 0) {
            const int rows = int(matches_.size());
            // The rows that stay are found from the new oldest number already.
            oldestSeq_ = newOldest;
            beginRemoveRows({}, rows - int(gone), rows - 1);
            matches_.erase(matches_.begin(), matches_.begin() + gone);
            endRemoveRows();
        } else {
            oldestSeq_ = newOldest;
        }
    } else {
        matches_.erase(matches_.begin(), matches_.begin() + gone);
        oldestSeq_ = newOldest;
        mirrored_ -= int(count);
        mirroring_ = false;
        endRemoveRows();
    }
    if (gone > 0)
        Q_EMIT matchCountChanged(matchCount());
}

int RowFilter::rowOfMatch(qsizetype k) const
{
    if (k < 0 || k >= matchCount())
        return -1;
    const qsizetype sourceRow = sourceRowOfSeq(matches_[matches_.size() - 1 - size_t(k)]);
    return onlyMatching_ ? int(k) : int(sourceRow);
}

qsizetype RowFilter::matchAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    if (onlyMatching_)
        return row;
    const qint64 seq = seqOfSourceRow(row);
    const auto it = std::lower_bound(matches_.begin(), matches_.end(), seq);
    if (it == matches_.end() || *it != seq)
        return -1;
    return qsizetype(matches_.end() - it) - 1;
}

qsizetype RowFilter::matchBelow(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    if (onlyMatching_)
        return row + 1 < matchCount() ? row + 1 : -1;
    // The matches are oldest first: the ones below the row are those before its number.
    const auto it = std::lower_bound(matches_.begin(), matches_.end(), seqOfSourceRow(row));
    if (it == matches_.begin())
        return -1;
    return qsizetype(matches_.end() - it);
}

qsizetype RowFilter::matchAbove(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    if (onlyMatching_)
        return row - 1;
    const auto it = std::upper_bound(matches_.begin(), matches_.end(), seqOfSourceRow(row));
    if (it == matches_.end())
        return -1;
    return qsizetype(matches_.end() - it) - 1;
}

int RowFilter::sourceRow(int row) const
{
    if (!onlyMatching_)
        return row;
    if (row < 0 || row >= rowCount())
        return -1;
    return int(sourceRowOfSeq(matches_[matches_.size() - 1 - size_t(row)]));
}

int RowFilter::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !source_)
        return 0;
    return onlyMatching_ ? int(matches_.size()) : mirrored_;
}

int RowFilter::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !source_ ? 0 : source_->columnCount();
}

QVariant RowFilter::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !source_)
        return {};
    // Without a query every row would match: none is marked.
    if (role == MatchRole)
        return !onlyMatching_ && !query_.isEmpty() && matchAt(index.row()) >= 0;
    const int row = sourceRow(index.row());
    if (row < 0)
        return {};
    return source_->data(source_->index(row, index.column()), role);
}

QVariant RowFilter::headerData(int section, Qt::Orientation orientation, int role) const
{
    return source_ ? source_->headerData(section, orientation, role) : QVariant();
}

} // namespace quendal
