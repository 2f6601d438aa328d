#pragma once

#include <QChartView>
#include <QFileDialog>
#include <QPointer>

#include <functional>
#include <optional>

class QMenu;

namespace quendal {

// A chart on screen with what every activity chart offers: a tooltip with the exact values under
// the pointer, clicks reported in the chart's values, and a context menu that saves the picture
// (PNG, at the size shown) or the series (CSV). The chart takes the keyboard focus, and opens its
// context menu with the menu key or Shift+F10 as with the mouse.
class ActivityChartView : public QChartView
{
    Q_OBJECT

public:
    explicit ActivityChartView(QChart* chart, QWidget* parent = nullptr);

    // The tooltip's text at a point in the chart's values; empty for none.
    void setTooltipText(std::function<QString(QPointF)> text) { tooltipText_ = std::move(text); }
    // The series as CSV, and the file name the Save dialog proposes.
    void setCsv(std::function<QByteArray()> csv, const QString& fileName);
    // Further entries the context menu offers, after its own.
    void setMenuEntries(std::function<void(QMenu*)> add) { menuEntries_ = std::move(add); }
    // Shows the tooltip afresh for what lies under the pointer now, after the chart was redrawn.
    void refreshTooltip();
    // The context menu as it would open now; the caller owns it.
    QMenu* makeContextMenu();

    // The chart as it is shown, as a PNG. false, with the reason, when it cannot be written.
    bool savePicture(const QString& path, QString* error = nullptr);
    bool saveCsv(const QString& path, QString* error = nullptr);
    // The tooltip's text at a point of the view, as the pointer would show it.
    QString tooltipAt(const QPoint& viewPoint) const;
    // The chart's values at a point of the view inside the plot area, and back.
    std::optional<QPointF> valueAt(const QPoint& viewPoint) const;
    QPoint pointOf(QPointF value) const;
    // The Save dialog while it is open.
    QFileDialog* fileDialog() const { return fileDialog_; }
    // Opens the Save dialog of the picture or the CSV, modal to the window only.
    void askSavePicture();
    void askSaveCsv();

Q_SIGNALS:
    void clickedAt(QPointF value);
    // A file was saved or could not be; the text says which.
    void saveReported(const QString& text);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void askSave(const QString& fileName, const QString& filter,
                 const std::function<bool(const QString&, QString*)>& save);

    std::function<QString(QPointF)> tooltipText_;
    std::function<void(QMenu*)> menuEntries_;
    QString shownTip_; // the tooltip this view shows, empty for none
    std::function<QByteArray()> csv_;
    QString csvName_;
    QPointer<QFileDialog> fileDialog_;
};

} // namespace quendal
