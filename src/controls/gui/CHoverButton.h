#pragma once

#include <QAbstractButton>
#include <QIcon>

namespace quendal {

// The flat, icon-only push button of the tool strip. Flat while the mouse is elsewhere, a raised
// one-pixel edge while the mouse is over it (only while the application is active, and not when
// the mouse arrives with a button held), a sunken edge with the icon moved one pixel right and
// down while pressed, and the icon embossed grey while disabled. A quick second click counts as
// a second press.
class CHoverButton : public QAbstractButton
{
    Q_OBJECT

public:
    enum class Edge
    {
        Flat,
        Raised,
        Sunken
    };
    // Widest a tooltip line may be, in pixels.
    static constexpr int kMaxTipWidth = 400;

    explicit CHoverButton(QWidget* parent = nullptr);

    // The icon from a file or resource path (e.g. ":/icons/start.svg"), and optionally a second
    // one shown while the mouse is elsewhere. 0 on success, 1 when an icon cannot be loaded
    // (the button then shows none).
    int LoadIcons(const QString& first, const QString& second = {});
    // The same for icons at hand; a null second icon means none. 1 when the first is null or
    // either cannot be drawn.
    int AttachIcons(const QIcon& first, const QIcon& second = {});
    // Sets the tooltip, wrapped to lines of at most kMaxTipWidth pixels; `activate` false keeps
    // it from showing.
    void SetTipText(const QString& text, bool activate = true);

    bool isHovering() const { return hover_; }
    // The edge drawn now.
    Edge edge() const;
    // Where the icon is drawn now, in widget coordinates.
    QRect iconRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Starts or ends hovering for the mouse at `pos` with `buttons` held.
    void trackHover(QPointF pos, Qt::MouseButtons buttons);
    void beginHover();
    void endHover();

    QIcon icon_;
    QIcon secondIcon_;
    bool hover_ = false;
    bool tipActive_ = true;
};

// A tooltip text broken at blanks into lines of at most maxWidth pixels in `metrics` (a word
// wider than that is broken inside).
QString wrapTipText(const QString& text, const QFontMetrics& metrics, int maxWidth);

} // namespace quendal
