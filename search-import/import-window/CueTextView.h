#pragma once

#include <QPainterPath>
#include <QPointer>
#include <QWidget>

class QLabel;

// A dark translucent bubble with one line of centred white text that tells the user what to do.
// Pinned to side 1 it hangs from its parent's top edge as a band 25 points deep and stays
// centred there when the parent is resized; not pinned (side 0) it is a rounded rectangle in the
// parent's middle. A click on the drawn shape is swallowed; one elsewhere in the view goes to the
// widget beneath (the import text), as if the bubble were not there.
class CueTextView : public QWidget
{
    Q_OBJECT

public:
    static constexpr double kBandDepth = 25.0;

    explicit CueTextView(QWidget* parent = nullptr);

    QString string() const;
    void setString(const QString& string);
    int pinnedSide() const { return m_pinnedSide; }
    // 0 centred, 1 the top edge; 2 (the bottom edge) is not supported and places as 1.
    void setPinningSide(int side);
    // The shape drawn, in the view's own coordinates.
    QPainterPath backgroundPath() const;
    // Where the view stands for its side in a parent of the given size.
    static QRect placedFrame(int side, const QSize& own, const QRect& parentBounds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void place();
    // Hands a mouse event to the widget beneath, or to the one that took the press.
    void forward(QMouseEvent* event);

    QLabel* m_textField = nullptr;
    int m_pinnedSide = 0;
    QPointer<QWidget> m_observed;
    QPointer<QWidget> m_pressTarget;
};
