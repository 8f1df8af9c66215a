#include "RVFullScreenSplitView.h"

#include "Log.h"
#include "RVFullScreenContentView.h"
#include "RVFullScreenImages.h"

#include <QChildEvent>
#include <QPainter>
#include <QSplitterHandle>

namespace
{

class GrabberHandle : public QSplitterHandle
{
public:
    GrabberHandle(Qt::Orientation orientation, RVFullScreenSplitView* parent)
        : QSplitterHandle(orientation, parent)
        , m_split(parent)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        // Not shown to the other party of a presentation.
        if (RVFullScreenContentView::isDrawingForPresentation())
            return;
        const QString name = m_split->isAnyCollapsed() ? QStringLiteral("fullscreengrabber-collapsed")
                                                       : QStringLiteral("fullscreengrabber");
        const QImage image = RVFullScreenImages::imageNamed(name);
        QPainter painter(this);
        if (image.isNull()) {
            Log::log(QStringLiteral("unable to find full screen splitview grabber image: fullscreengrabber"));
            painter.fillRect(rect().adjusted(0, height() / 2, 0, -height() / 2 + 1), Qt::darkGray);
            return;
        }
        painter.drawImage(QPointF(width() / 2.0 - image.width() / 2.0, 1), image);
    }

private:
    RVFullScreenSplitView* m_split;
};

} // namespace

RVFullScreenSplitView::RVFullScreenSplitView(QWidget* parent)
    : QSplitter(Qt::Vertical, parent)
{
    setHandleWidth(DividerThickness);
    setChildrenCollapsible(false);
    setOpaqueResize(true);
}

QSplitterHandle* RVFullScreenSplitView::createHandle()
{
    return new GrabberHandle(orientation(), this);
}

void RVFullScreenSplitView::setCanCollapse(std::function<bool(const QWidget*)> canCollapse)
{
    m_canCollapse = std::move(canCollapse);
    applyRules();
}

void RVFullScreenSplitView::setMinimumFirstCoordinate(double coordinate)
{
    m_minimumFirst = coordinate;
    applyRules();
}

bool RVFullScreenSplitView::isAnyCollapsed() const
{
    const QList<int> all = sizes();
    return std::any_of(all.cbegin(), all.cend(), [](int size) { return size == 0; });
}

void RVFullScreenSplitView::childEvent(QChildEvent* event)
{
    QSplitter::childEvent(event);
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished)
        applyRules();
}

void RVFullScreenSplitView::applyRules()
{
    for (int i = 0; i < count(); ++i) {
        QWidget* part = widget(i);
        setCollapsible(i, m_canCollapse && m_canCollapse(part));
        if (i == 0)
            part->setMinimumHeight(int(m_minimumFirst));
    }
}
