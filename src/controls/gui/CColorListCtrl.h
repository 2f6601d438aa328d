#pragma once

#include "common/core/ColourIndex.h"

#include <QAbstractItemModel>
#include <QAbstractScrollArea>
#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <utility>

class QHeaderView;

namespace quendal {

class LogList;

// The list of a category page: Time, Host and Message of a LogList, newest on top, every cell in
// its own text colour. It asks the list for the visible rows only and draws them itself, so a
// row added on top costs the same at a million rows as at ten, and so does scrolling.
//
// Looks: while the list has the keyboard focus, selected rows are drawn in the selection colours
// and the current row also gets a focus frame; while another widget has the focus, rows are drawn
// in their own colours (the category lists do not keep showing their selection). Cells whose text
// is cut off end in "…" and show it whole as a tooltip. An emergency's cells that have no colour
// of their own are drawn red. A double click on a column's right divider fits the column to the
// widest text on screen.
//
// When the view shows the top row, new rows push older ones down; once the user has scrolled
// away from the top, the rows on screen stay where they are while new ones arrive above.
class CColorListCtrl : public QAbstractScrollArea
{
    Q_OBJECT

public:
    // Results of SetupColumns.
    enum SetupResult
    {
        SetupDone = 0,
        SetupMissing = 1,      // captions or widths missing (empty)
        SetupCaptionCount = 2, // number of captions differs from the column count
        SetupWidthCount = 3,   // number of widths differs from the number of captions
        SetupBadWidths = 4,    // no columns, or widths not summing to exactly 100
    };

    explicit CColorListCtrl(int columnCount = 3, QWidget* parent = nullptr);
    ~CColorListCtrl() override;

    // The rows shown. The list is not owned; it must outlive the control or be unset first.
    void setList(LogList* list);
    LogList* list() const;
    // A model over the list to show instead of it (a filter), with the same columns and roles;
    // null shows the list itself. Row numbers of the selection and of rowActivated are this
    // model's. Rows for which it answers true to MarkedRole are drawn highlighted. Not owned.
    void setDisplayModel(QAbstractItemModel* model);
    QAbstractItemModel* displayModel() const;
    static constexpr int MarkedRole = Qt::UserRole + 20;
    int columnCount() const { return columnCount_; }

    // Column captions and widths in percent of totalWidth pixels (each rounded down). Creates no
    // column unless it returns SetupDone.
    int SetupColumns(const QStringList& captions, const QList<quint8>& widths, int totalWidth);
    // Inserts a row of one text per text column (Time, Host, Message, as far as the control has
    // them; bytes as received) at `row`, or at the bottom when `row` is negative or beyond the
    // end, its texts in `colour`. Returns the new row's index, or -1 for a wrong number of texts
    // or no list.
    qsizetype InsertRow(const QList<QByteArray>& texts, qsizetype row, int colour);
    // 1 when set, 0 when the row does not exist or the column is beyond the column count.
    int SetCellTextColour(int colour, qsizetype row, int column);
    // The colour value (0xBBGGRR) of a cell's text; ColourValue(DEF_TEXT) for a column beyond the
    // column count; 0 for a row that does not exist.
    ColourValue24 GetCellTextColour(qsizetype row, int column) const;
    // 0 when the row does not exist, else 1.
    int DeleteRow(qsizetype row);
    // Empties the list; returns 1.
    int DeleteAllRows();
    // The colour value of a colour index with this control's palette.
    ColourValue24 ColourValue(int index) const;

    // A column's width in pixels; setting it is what dragging the header's edge does.
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);
    // Whether the last column fills the view's remaining width (off by default), so that the
    // horizontal scroll bar appears only once the other columns are wider than the view.
    void setStretchLastColumn(bool on);
    // Columns may be hidden, and shown in another order than the model's (a list of every
    // column, left to right).
    void setColumnHidden(int column, bool hidden);
    bool isColumnHidden(int column) const;
    void setColumnOrder(const QList<int>& columns);
    // The columns shown, left to right.
    QList<int> shownColumns() const;
    // Sets a column's width to its widest text on screen (and its caption).
    void fitColumnToContents(int column);
    // The colour index a cell's text is drawn in outside the selection.
    int cellColourIndex(const QModelIndex& index) const;
    // The text a cell shows: on one line, cut to its width with a trailing "…". Empty for a
    // cell not on screen.
    QString shownCellText(qsizetype row, int column) const;

    // Rectangles in viewport coordinates. A row's rectangle spans all columns; a cell's runs
    // from the row's left plus the widths of the columns before it. Without `full` both shrink
    // by one pixel on every side. Null for rows that are not on screen.
    QRect GetRowRect(qsizetype row, bool full) const;
    QRect GetCellRect(qsizetype row, int column, bool full) const;
    // Repaints the current row (and, with showSelectionAlways, every selected row) at once.
    void RepaintSelection();

    // Whether the selection keeps its (inactive) look while another widget has the focus. Off
    // for the category lists.
    void setShowSelectionAlways(bool on);
    bool showSelectionAlways() const { return showSelectionAlways_; }

    // Selection: whole rows, a contiguous range from an anchor to the current row.
    qsizetype currentRow() const { return current_; }
    void setCurrentRow(qsizetype row);
    bool isRowSelected(qsizetype row) const;
    // The selected rows, top to bottom; {-1, -1} without a selection.
    std::pair<qsizetype, qsizetype> selectedRange() const;
    void clearSelection();
    // The first row on screen, and the height of every row.
    qsizetype topRow() const;
    int rowHeight() const { return rowHeight_; }
    // The row at a point of the viewport, -1 for none.
    qsizetype rowAt(const QPoint& viewportPoint) const;
    int columnAt(int viewportX) const;
    QHeaderView* header() const { return header_; }

Q_SIGNALS:
    // A double click on a row, or Enter on the current row.
    void rowActivated(qsizetype row);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The look of one row: its fill, and the text colour overriding the cells' own (-1: none).
    struct RowLook
    {
        int background;
        int text;
    };

    void connectModel(QAbstractItemModel* model);
    void disconnectModels();
    // Forgets the list when it goes away before the control.
    void watchListDestroyed();
    void onRowsInserted(int first, int last);
    // Brings the scroll bars, and with `repaint` the rows, up to date at the next refresh tick.
    void scheduleRefresh(bool repaint);
    void refreshNow();
    void onRowsRemoved(int first, int last);
    void onModelReset();
    void onDataChanged(int firstRow, int lastRow);
    void onSectionResized(int logicalIndex, int newSize);
    void applyColumnsToHeader();
    void updateRowHeight();
    void updateGeometries();
    // Puts the scroll bars in line with top_ and the column widths.
    void syncScrollBars();
    void ensureRowVisible(qsizetype row);
    void moveCurrent(qsizetype row, bool extend);
    qsizetype rowCountInList() const;
    // Rows that fit the viewport completely (at least one).
    qsizetype fullyVisibleRows() const;
    // Rows touched by the viewport, the last maybe cut off.
    qsizetype touchedRows() const;
    bool isRowOnScreen(qsizetype row) const;
    int totalColumnWidth() const;
    int columnLeft(int column) const;
    // The column that fills the view, -1 when none does.
    int stretchedColumn() const;
    RowLook lookOf(qsizetype row) const;
    // The part of the viewport showing selected rows; null when none is on screen.
    QRect selectionOnScreen() const;
    QString cellText(qsizetype row, int column) const;
    QString cellToolTip(qsizetype row, int column) const;
    // Whether a cell's text is wider than the room the cell gives it.
    bool isCellCutOff(qsizetype row, int column) const;

    int columnCount_;
    QPointer<LogList> list_;
    QPointer<QAbstractItemModel> shown_;
    QHeaderView* header_ = nullptr;
    int rowHeight_ = 0;
    qsizetype current_ = -1;
    qsizetype anchor_ = -1;
    bool showSelectionAlways_ = false;

    qsizetype top_ = 0; // the first row on screen; the vertical scroll bar follows it
    QList<int> widths_; // pixels per column, kept in step with the header's sections
    QList<bool> hidden_;
    QList<int> order_; // every column, left to right
    QStringList captions_;
    bool syncingScrollBars_ = false;
    bool painted_ = false;

    // Rows arriving in a flood are shown at most once per tick, not once per row: a repaint
    // costs milliseconds, a row microseconds.
    QTimer* refreshTimer_ = nullptr;
    bool scrollBarsStale_ = false;
    bool repaintPending_ = false;
    qsizetype syncedTop_ = 0; // top_ as the vertical scroll bar last showed it
};

} // namespace quendal
