#pragma once

#include <QSplitter>
#include <functional>

// The cooking mode's split of the ingredient box (above) and the directions (below): a 13-point
// divider with a grabber; the controller decides which part may collapse and how high the divider
// must stay.
class RVFullScreenSplitView : public QSplitter
{
    Q_OBJECT

public:
    static constexpr int DividerThickness = 13;

    explicit RVFullScreenSplitView(QWidget* parent = nullptr);

    int dividerThickness() const { return DividerThickness; }
    void setCanCollapse(std::function<bool(const QWidget*)> canCollapse);
    // The divider stays at least this far from the top unless the first part collapses.
    void setMinimumFirstCoordinate(double coordinate);
    bool isAnyCollapsed() const;

protected:
    QSplitterHandle* createHandle() override;
    void childEvent(QChildEvent* event) override;

private:
    void applyRules();

    std::function<bool(const QWidget*)> m_canCollapse;
    double m_minimumFirst = 0.0;
};
