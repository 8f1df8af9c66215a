#pragma once

#include <QWidget>

class MagnetView;
class RecipeImageView;

// The picture on the recipe page: the picture well turned 3 degrees clockwise, 10 points from the
// left and 35 from the bottom, held by the clip drawn over its top edge. The clip lets clicks
// through to the picture.
class MagnetClipView : public QWidget
{
    Q_OBJECT

public:
    static constexpr double kRotation = -3.0;
    static constexpr double kWellSide = 128.0;

    explicit MagnetClipView(QWidget* parent = nullptr);
    ~MagnetClipView() override;

    RecipeImageView* imageView() const { return m_imageView; }
    MagnetView* magnet() const { return m_magnet; }
    double rotation() const { return m_rotation; }
    // The well's square before turning (y downwards): (10, height − 35 − 128, 128, 128).
    QRectF imageViewFrame() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutSubviews();

    double m_rotation = kRotation;
    QPointF m_imageViewOrigin { 10.0, 35.0 }; // from the bottom-left corner
    RecipeImageView* m_imageView = nullptr;
    MagnetView* m_magnet = nullptr;
};
