#pragma once

#include <QSplitter>

// A split view whose dividers take no room and draw nothing.
class PolishedSplitView : public QSplitter
{
    Q_OBJECT

public:
    explicit PolishedSplitView(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
    static constexpr int dividerThickness() { return 0; }
};
