#include "PolishedSplitView.h"

PolishedSplitView::PolishedSplitView(Qt::Orientation orientation, QWidget* parent)
    : QSplitter(orientation, parent)
{
    setHandleWidth(dividerThickness());
}
