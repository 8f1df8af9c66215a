#pragma once

#include "BackgroundView.h"

// The toolbar grey behind the recipe page and the import window, with a one-point grey line along
// its top while it draws its frame (on from the start).
class GrayBackgroundView : public BackgroundView
{
    Q_OBJECT

public:
    explicit GrayBackgroundView(QWidget* parent = nullptr);

    // The line along the top: (0, 0, width, 1) in the view's coordinates.
    QRectF topLineRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
