#pragma once

#include <QFrame>
#include <QString>

namespace quendal {

// One line of plain text that ends in "..." when it is wider than the label, and then shows the
// whole text as its tooltip. For the status bar, whose texts may be long and whose width is the
// user's choice.
class ElidedLabel : public QFrame
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    // The text as drawn now, cut to the width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateToolTip();

    QString text_;
};

} // namespace quendal
