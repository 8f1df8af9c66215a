#pragma once

#include <QSplitter>

// A split view whose dividers are a one-point dark grey line.
class LineSplitView : public QSplitter
{
    Q_OBJECT

public:
    explicit LineSplitView(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);
    static constexpr int dividerThickness() { return 1; }

protected:
    QSplitterHandle* createHandle() override;
};
