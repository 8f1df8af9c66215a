#pragma once

#include "BLGradient.h"

#include <QColor>
#include <QWidget>
#include <optional>

// A view that fills itself with a gradient, or white without one, and may frame its bounds with
// a one-point line (grey unless told otherwise).
class BackgroundView : public QWidget
{
    Q_OBJECT

public:
    explicit BackgroundView(QWidget* parent = nullptr);

    const std::optional<BLGradient>& gradient() const { return m_gradient; }
    // A gradient turns the gradient background on; none turns it off.
    void setGradient(const std::optional<BLGradient>& gradient);
    bool drawsGradientBackground() const { return m_drawsGradientBackground; }
    void setDrawsGradientBackground(bool draws);
    bool drawsFrame() const { return m_drawsFrame; }
    void setDrawsFrame(bool draws);
    QColor frameColor() const { return m_frameColor; }
    void setFrameColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<BLGradient> m_gradient;
    bool m_drawsGradientBackground = false;
    bool m_drawsFrame = false;
    QColor m_frameColor = Qt::gray;
};
