#pragma once

#include <QPointF>
#include <QRectF>
#include <functional>

// The card's text container: a fixed left and top margin of 17 points and, at the top right, a
// notch kept free for the recipe picture. Lines that start above the notch's bottom end before
// it; lines below run to the container's right edge. Width tracks the text view; height is
// unbounded.
class RVTextContainer
{
public:
    static constexpr double Margin = 17.0;

    explicit RVTextContainer(double width = 0);

    double width() const { return m_width; }
    void setWidth(double width);
    double lineFragmentPadding() const { return m_lineFragmentPadding; }
    void setLineFragmentPadding(double padding);
    // Told when the line geometry changed (the layout must be redone).
    void setGeometryChanged(std::function<void()> changed) { m_geometryChanged = std::move(changed); }

    // Each stores the notch size plus the margin.
    unsigned RVTextContainerNotchX() const { return m_notchX; }
    unsigned RVTextContainerNotchY() const { return m_notchY; }
    void setRVTextContainerNotchX(unsigned notchX);
    void setRVTextContainerNotchY(unsigned notchY);

    bool isSimpleRectangularTextContainer() const { return false; }
    // The line fragment for a proposed line: moved to the margins, shortened beside the notch,
    // then clipped to the container.
    QRectF lineFragmentRectForProposedRect(QRectF proposed) const;
    // Where text may go: that rectangle less the line fragment padding on each side.
    QRectF usableRectForProposedRect(QRectF proposed) const;
    bool containsPoint(QPointF point) const;

private:
    void changed();

    double m_width = 0;
    double m_lineFragmentPadding = 5.0;
    unsigned m_notchX = 0;
    unsigned m_notchY = 0;
    std::function<void()> m_geometryChanged;
};
