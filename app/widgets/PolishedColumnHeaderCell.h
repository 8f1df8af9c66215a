#pragma once

#include <QHeaderView>
#include <QImage>

// Column headers painted on the header image: the image stretched over each section but its
// last point of height, which takes the image's bottom line like the table's grid line; the title
// centred in the small bold system font, black; the sort indicator where the style puts it. A
// section without text shows "Title". As tall as the image, so it lines up with a pane header.
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
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    QImage m_metalBg;
};
