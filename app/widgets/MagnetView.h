#pragma once

#include <QPointF>
#include <QWidget>

// The clip that holds the picture on the recipe page: the "Clip" artwork drawn at its offset,
// rotated with the picture. It lets every mouse event through to the picture below it.
class MagnetView : public QWidget
{
    Q_OBJECT

public:
    explicit MagnetView(QWidget* parent = nullptr);

    // Where the clip's bottom edge is centred (y downwards).
    QPointF translateOffset() const { return m_translateOffset; }
    // Given the middle of the picture's top edge: the clip reaches 8 points down over it.
    void setTranslateOffset(const QPointF& offset);
    // Degrees; negative turns clockwise.
    double rotation() const { return m_rotation; }
    void setRotation(double degrees);
    // Where the clip image is drawn before rotation.
    QRectF clipRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointF m_translateOffset;
    double m_rotation = 0.0;
};
