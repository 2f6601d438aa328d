#pragma once

#include <QAbstractListModel>
#include <QSet>
#include <QStringList>

#include <optional>

namespace quendal {

// The senders seen since Start, behind a first entry that stands for every sender ("Any").
// The selected entry is the sender filter: with one particular sender selected, datagrams of
// others are dropped, though their senders are still recorded here.
class HostList : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit HostList(const QString& anyText, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    qsizetype size() const { return entries_.size(); }
    const QString& text(qsizetype row) const { return entries_.at(row); }

    // -1 when nothing is selected; the filter then takes the first entry.
    int selectedRow() const { return selectedRow_; }
    void setSelectedRow(int row);
    const QString& selectedText() const;
    // The sender chosen, or nullopt while the first entry (every sender) is.
    std::optional<QString> selectedSender() const;

    bool contains(const QString& address) const { return known_.contains(address); }
    // Adds a sender at the end unless it is listed already.
    void add(const QString& address);
    // Back to the first entry alone, selected.
    void resetToFirst();

Q_SIGNALS:
    void selectedRowChanged(int row);

private:
    QStringList entries_;
    QSet<QString> known_;
    int selectedRow_ = 0;
};

} // namespace quendal
