#include "activity/gui/ActivityChartView.h"

#include "common/core/UiText.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QSaveFile>
#include <QToolTip>

namespace quendal {

ActivityChartView::ActivityChartView(QChart* chart, QWidget* parent) : QChartView(chart, parent)
{
    setRenderHint(QPainter::Antialiasing);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void ActivityChartView::setCsv(std::function<QByteArray()> csv, const QString& fileName)
{
    csv_ = std::move(csv);
    csvName_ = fileName;
}

bool ActivityChartView::savePicture(const QString& path, QString* error)
{
    const QPixmap picture = grab();
    if (!picture.save(path, "PNG")) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}

bool ActivityChartView::saveCsv(const QString& path, QString* error)
{
    QSaveFile file(path);
    // A file is there whole or not at all.
    if (!file.open(QIODevice::WriteOnly) || file.write(csv_ ? csv_() : QByteArray()) < 0 ||
        !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

std::optional<QPointF> ActivityChartView::valueAt(const QPoint& viewPoint) const
{
    const QPointF inChart = chart()->mapFromScene(mapToScene(viewPoint));
    if (!chart()->plotArea().contains(inChart))
        return std::nullopt;
    return chart()->mapToValue(inChart);
}

QPoint ActivityChartView::pointOf(QPointF value) const
{
    return mapFromScene(chart()->mapToScene(chart()->mapToPosition(value)));
}

QString ActivityChartView::tooltipAt(const QPoint& viewPoint) const
{
    const auto value = valueAt(viewPoint);
    return tooltipText_ && value ? tooltipText_(*value) : QString();
}

void ActivityChartView::mouseMoveEvent(QMouseEvent* event)
{
    QChartView::mouseMoveEvent(event);
    const QString text = tooltipAt(event->position().toPoint());
    shownTip_ = text;
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), text, this);
}

void ActivityChartView::leaveEvent(QEvent* event)
{
    shownTip_.clear();
    QChartView::leaveEvent(event);
}

void ActivityChartView::refreshTooltip()
{
    // A redraw replaces the items under the pointer, which takes the tooltip away with them.
    if (shownTip_.isEmpty() || !underMouse())
        return;
    const QPoint global = QCursor::pos();
    shownTip_ = tooltipAt(mapFromGlobal(global));
    if (shownTip_.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(global, shownTip_, this);
}

void ActivityChartView::mousePressEvent(QMouseEvent* event)
{
    QChartView::mousePressEvent(event);
    const auto value = valueAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && value)
        Q_EMIT clickedAt(*value);
}

QMenu* ActivityChartView::makeContextMenu()
{
    auto* menu = new QMenu(this);
    menu->addAction(GetUiText(UiTextId::SavePicture), this, &ActivityChartView::askSavePicture);
    menu->addAction(GetUiText(UiTextId::SaveDataAsCsv), this, &ActivityChartView::askSaveCsv)
        ->setEnabled(bool(csv_));
    if (menuEntries_)
        menuEntries_(menu);
    return menu;
}

void ActivityChartView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = makeContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // From the keyboard the menu opens in the chart's top left corner, not where the pointer is.
    const QPoint at = event->reason() == QContextMenuEvent::Mouse
                          ? event->globalPos()
                          : mapToGlobal(QPoint(width() / 4, height() / 4));
    menu->popup(at);
}

void ActivityChartView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(width() / 4, height() / 4),
                               mapToGlobal(QPoint(width() / 4, height() / 4)));
        contextMenuEvent(&menu);
        return;
    }
    QChartView::keyPressEvent(event);
}

void ActivityChartView::askSavePicture()
{
    askSave(QStringLiteral("activity.png"), QStringLiteral("PNG (*.png)"),
            [this](const QString& path, QString* error) { return savePicture(path, error); });
}

void ActivityChartView::askSaveCsv()
{
    askSave(csvName_, QStringLiteral("CSV (*.csv)"),
            [this](const QString& path, QString* error) { return saveCsv(path, error); });
}

void ActivityChartView::askSave(const QString& fileName, const QString& filter,
                                const std::function<bool(const QString&, QString*)>& save)
{
    if (fileDialog_)
        return;
    auto* dialog = new QFileDialog(window(), QString(), fileName, filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setDefaultSuffix(filter.section(QLatin1Char('.'), 1).chopped(1));
    connect(dialog, &QFileDialog::fileSelected, this, [this, save](const QString& path) {
        QString error;
        Q_EMIT saveReported(save(path, &error)
                                ? QStringLiteral("Saved %1").arg(path)
                                : QStringLiteral("Cannot save %1: %2").arg(path, error));
    });
    fileDialog_ = dialog;
    dialog->open();
}

} // namespace quendal
