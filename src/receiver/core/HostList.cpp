#include "receiver/core/HostList.h"

namespace quendal {

HostList::HostList(const QString& anyText, QObject* parent)
    : QAbstractListModel(parent), entries_{anyText}, known_{anyText}
{}

int HostList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(entries_.size());
}

QVariant HostList::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return entries_.at(index.row());
    return {};
}

void HostList::setSelectedRow(int row)
{
    if (row < -1 || row >= entries_.size() || row == selectedRow_)
        return;
    selectedRow_ = row;
    Q_EMIT selectedRowChanged(row);
}

const QString& HostList::selectedText() const
{
    return entries_.at(selectedRow_ < 0 ? 0 : selectedRow_);
}

std::optional<QString> HostList::selectedSender() const
{
    if (selectedRow_ <= 0)
        return std::nullopt;
    return entries_.at(selectedRow_);
}

void HostList::add(const QString& address)
{
    if (known_.contains(address))
        return;
    const int row = int(entries_.size());
    beginInsertRows({}, row, row);
    entries_.append(address);
    known_.insert(address);
    endInsertRows();
}

void HostList::resetToFirst()
{
    if (entries_.size() > 1) {
        beginRemoveRows({}, 1, int(entries_.size()) - 1);
        for (qsizetype i = 1; i < entries_.size(); ++i)
            known_.remove(entries_.at(i));
        entries_.resize(1);
        endRemoveRows();
    }
    setSelectedRow(0);
}

} // namespace quendal
