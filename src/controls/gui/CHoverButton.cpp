#include "controls/gui/CHoverButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>

namespace quendal {
namespace {

constexpr QSize kIconSize(32, 32);
// Room around the icon: the one-pixel edge, the pixel the icon moves when pressed, and a gap.
constexpr int kMargin = 3;

// QIcon accepts any file; some it cannot read only show up as a null pixmap when drawn.
bool drawable(const QIcon& icon, QSize size)
{
    return !icon.isNull() && !icon.pixmap(size).isNull();
}

// The mouse over a window in the background does not raise its buttons.
bool applicationActive()
{
    return QApplication::activeWindow() != nullptr;
}

void drawEdge(QPainter& painter, const QRect& face, const QColor& topLeft,
              const QColor& bottomRight)
{
    painter.setPen(topLeft);
    painter.drawLine(face.topLeft(), face.topRight());
    painter.drawLine(face.topLeft(), face.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(face.bottomLeft(), face.bottomRight());
    painter.drawLine(face.topRight(), face.bottomRight());
}

// How many characters at the start of `word` fit in maxWidth pixels; at least one, so that
// wrapping always moves on.
qsizetype fittingLength(const QString& word, const QFontMetrics& metrics, int maxWidth)
{
    qsizetype n = 1;
    while (n < word.size() && metrics.horizontalAdvance(word.left(n + 1)) <= maxWidth)
        ++n;
    // Never split a surrogate pair.
    if (n < word.size() && word.at(n).isLowSurrogate())
        n += n == 1 ? 1 : -1;
    return n;
}

} // namespace

CHoverButton::CHoverButton(QWidget* parent) : QAbstractButton(parent)
{
    // Moves without a button held start hovering, so they must reach the button too.
    setMouseTracking(true);
    setIconSize(kIconSize);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

int CHoverButton::LoadIcons(const QString& first, const QString& second)
{
    const QIcon other(second);
    // Some unreadable files give a null icon, which AttachIcons would take for no second icon.
    if (!second.isEmpty() && other.isNull())
        return AttachIcons({});
    return AttachIcons(QIcon(first), other);
}

int CHoverButton::AttachIcons(const QIcon& first, const QIcon& second)
{
    const bool ok =
        drawable(first, iconSize()) && (second.isNull() || drawable(second, iconSize()));
    icon_ = ok ? first : QIcon();
    secondIcon_ = ok ? second : QIcon();
    update();
    return ok ? 0 : 1;
}

void CHoverButton::SetTipText(const QString& text, bool activate)
{
    if (text.isNull())
        return;
    setToolTip(wrapTipText(text, QFontMetrics(QToolTip::font()), kMaxTipWidth));
    tipActive_ = activate;
}

CHoverButton::Edge CHoverButton::edge() const
{
    if (isDown())
        return Edge::Sunken;
    return hover_ ? Edge::Raised : Edge::Flat;
}

QRect CHoverButton::iconRect() const
{
    const QSize icon = iconSize();
    // Centred with the halves rounded down, also when the icon is larger than the button.
    QRect place(QPoint((width() - icon.width()) >> 1, (height() - icon.height()) >> 1), icon);
    if (isDown())
        place.translate(1, 1);
    return place;
}

QSize CHoverButton::sizeHint() const
{
    return iconSize().grownBy(QMargins(kMargin, kMargin, kMargin, kMargin));
}

void CHoverButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.fillRect(rect(), colours.button());
    switch (edge()) {
    case Edge::Raised:
        drawEdge(painter, rect(), colours.color(QPalette::Light), colours.color(QPalette::Dark));
        break;
    case Edge::Sunken:
        drawEdge(painter, rect(), colours.color(QPalette::Dark), colours.color(QPalette::Light));
        break;
    case Edge::Flat:
        break;
    }
    const bool elsewhere = !hover_ && !isDown();
    const QIcon& icon = elsewhere && !secondIcon_.isNull() ? secondIcon_ : icon_;
    icon.paint(&painter, iconRect(), Qt::AlignCenter,
               isEnabled() ? QIcon::Normal : QIcon::Disabled);
    // Tab reaches the button and Space presses it, so the keyboard user must see where it is.
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(2, 2, -2, -2);
        option.backgroundColor = colours.color(QPalette::Button);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CHoverButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    trackHover(event->position(), QGuiApplication::mouseButtons());
}

void CHoverButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    endHover();
}

void CHoverButton::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractButton::mouseMoveEvent(event);
    trackHover(event->position(), event->buttons());
}

void CHoverButton::focusOutEvent(QFocusEvent* event)
{
    QAbstractButton::focusOutEvent(event);
    endHover();
}

void CHoverButton::changeEvent(QEvent* event)
{
    // setEnabled(false) has already passed the focus on to the next widget.
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        endHover();
}

bool CHoverButton::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        // Accepted without showing, so that no parent shows its own tip in its place.
        if (!tipActive_)
            return true;
        break;
    case QEvent::WindowDeactivate:
        endHover();
        break;
    default:
        break;
    }
    return QAbstractButton::event(event);
}

void CHoverButton::trackHover(QPointF pos, Qt::MouseButtons buttons)
{
    // A drag that began elsewhere does not raise the button; one that began here goes on.
    if (buttons.testFlag(Qt::LeftButton) && !hover_)
        return;
    // Enter events still reach a disabled button.
    if (isEnabled() && applicationActive() && rect().contains(pos.toPoint()))
        beginHover();
    else
        endHover();
}

void CHoverButton::beginHover()
{
    if (hover_)
        return;
    hover_ = true;
    update();
}

void CHoverButton::endHover()
{
    if (!hover_)
        return;
    hover_ = false;
    update();
}

QString wrapTipText(const QString& text, const QFontMetrics& metrics, int maxWidth)
{
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString joined = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (metrics.horizontalAdvance(joined) <= maxWidth) {
                line = joined;
                continue;
            }
            if (!line.isEmpty())
                lines.append(line);
            line = word;
            while (metrics.horizontalAdvance(line) > maxWidth) {
                const qsizetype cut = fittingLength(line, metrics, maxWidth);
                lines.append(line.left(cut));
                line.remove(0, cut);
            }
        }
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace quendal
