#include "LineSplitView.h"

#include <QPainter>

namespace
{

class LineHandle : public QSplitterHandle
{
public:
    LineHandle(Qt::Orientation orientation, QSplitter* parent)
        : QSplitterHandle(orientation, parent)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::darkGray);
    }
};

} // namespace

LineSplitView::LineSplitView(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent)
{
    setHandleWidth(dividerThickness());
}

QSplitterHandle* LineSplitView::createHandle()
{
    return new LineHandle(orientation(), this);
}
