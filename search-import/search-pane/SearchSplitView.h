#pragma once

#include <QWidget>
#include <functional>

// The middle pane's split view: the search fields' area above, the results area (the recipe list
// or the search results) below, a one-point divider between them that the mouse cannot drag. The
// area above keeps its height when the view is resized; the results area takes the rest. Heights
// change through setTopHeight (the search view's animations) or setPosition, which asks the
// delegate's limits and snapping first. Main thread only.
class SearchSplitView : public QWidget
{
    Q_OBJECT

public:
    // What the split view asks of its delegate (the search controller); empty: no limit.
    struct Delegate {
        std::function<double()> constrainMinCoordinate;
        std::function<double(double proposedMaximum)> constrainMaxCoordinate;
        std::function<double(double proposedPosition)> constrainSplitPosition;
    };

    static constexpr int kDividerThickness = 1;

    // Takes both areas as children.
    SearchSplitView(QWidget* top, QWidget* bottom, QWidget* parent = nullptr);

    void setDelegate(Delegate delegate) { m_delegate = std::move(delegate); }
    const Delegate& delegate() const { return m_delegate; }

    QWidget* topArea() const { return m_top; }
    QWidget* bottomArea() const { return m_bottom; }

    double topHeight() const { return m_topHeight; }
    // The area above takes `height` at once (no limits asked), the results area the rest.
    void setTopHeight(double height);
    // As a dragged divider would: within the delegate's minimum and maximum, then snapped.
    void setPosition(double position);
    // The largest height the area above may take now.
    double maximumTopHeight() const;
    // Lays both areas out again for the current size.
    void adjustSubviews();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_top;
    QWidget* m_bottom;
    Delegate m_delegate;
    double m_topHeight = 0.0;
};
