#pragma once

#include "logs/core/LogRows.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace quendal {

// One category list as an item model: Time, Host and Message, then the Severity and Sender that
// views may show besides, newest entry at row 0. The rows keep the received bytes; text for the
// screen is decoded when a view asks for it. The model says an entry's severity; how an
// emergency looks is the view's choice. The list keeps
// at most maxRows() rows: once full, the bottom row is removed (and reported to views as such)
// before each new one goes on top.
class LogList : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        TimeColumn = 0,
        HostColumn = 1,
        MessageColumn = 2,
        SeverityColumn = 3,
        SenderColumn = 4,
    };
    static constexpr int kColumnCount = 5;
    enum Role
    {
        ColourIndexRole = Qt::UserRole + 1, // int: the cell's own text colour index
        BytesRole,                          // QByteArray: the cell's bytes as received
        SeverityRole,                       // int: the row's Severity, -1 when unknown
    };

    explicit LogList(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void setColumnCaptions(const QStringList& captions);

    const LogRows& rows() const { return rows_; }
    qsizetype size() const { return rows_.size(); }
    LogEntryView entry(qsizetype row) const { return rows_.at(row); }

    qsizetype maxRows() const { return rows_.maxRows(); }
    // A new bound of at least one row; rows beyond it are removed from the bottom at once.
    void setMaxRows(qsizetype maxRows);

    // The newest entry, on top.
    void prepend(const LogEntryView& entry);
    // Inserts so that the entry becomes `row`; a row beyond the end appends at the bottom.
    // Returns the row it went to.
    qsizetype insert(qsizetype row, const LogEntryView& entry, int colourIndex = DEF_TEXT);
    bool remove(qsizetype row);
    bool setTextColour(qsizetype row, int column, int colourIndex);
    // Puts a whole batch on top in one step (a file read back, a drain of the receiver). Of a
    // batch larger than the bound only its newest rows are kept.
    void prependAll(LogRows&& batch);
    // Empties the list at once.
    void clear();

private:
    // Removes bottom rows so that `incoming` more fit under the bound.
    void makeRoomFor(qsizetype incoming);

    LogRows rows_{kDefaultMaxRowsPerList};
    QStringList captions_;
};

} // namespace quendal
