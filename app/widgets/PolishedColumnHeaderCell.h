#pragma once

#include <QHeaderView>
#include <QImage>

// Column headers painted on the header image: the image stretched over each section but its
// last point of height (left to the table's grid line), the title centred in the small bold
// system font, black. A section without text shows "Title".
class PolishedColumnHeaderCell : public QHeaderView
{
    Q_OBJECT

public:
    explicit PolishedColumnHeaderCell(
        Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    // The text a section shows.
    QString titleForSection(int logicalIndex) const;
    QFont titleFont() const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    QImage m_metalBg;
};
