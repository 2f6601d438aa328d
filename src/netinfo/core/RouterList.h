#pragma once

#include "netinfo/core/RouterSearch.h"

#include <QAbstractTableModel>
#include <QList>

namespace quendal {

// The routers that answered the search: MAC, IP address and mask, newest on top, each MAC once
// (compared ignoring case). It only grows until the next search clears it.
class RouterList : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        MacColumn,
        AddressColumn,
        MaskColumn,
        ColumnCount
    };

    explicit RouterList(QObject* parent = nullptr);

    // Inserts the router at the top; false (nothing changes) when its MAC is listed already.
    bool addReply(const RouterReply& reply);
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<RouterReply> rows_;
};

} // namespace quendal
