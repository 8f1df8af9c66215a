#pragma once

#include <QImage>
#include <QPushButton>

// A button drawn on a stretchable three-piece bezel: the "-P" pieces while pressed, the "-N"
// pieces otherwise; it never changes its look for checked state or hover.
class GrayButton : public QPushButton
{
    Q_OBJECT

public:
    explicit GrayButton(const QString& text = {}, QWidget* parent = nullptr);

    // The left, fill and right image names for the state.
    static QStringList bezelImageNames(bool pressed);
    // The bezel for `frame`; null for an empty frame.
    static QImage bezel(const QRectF& frame, bool pressed);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
