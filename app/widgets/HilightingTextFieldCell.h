#pragma once

#include <QColor>
#include <QFont>
#include <QStyledItemDelegate>

// A text cell (Qt::DisplayRole) drawn vertically centred, that turns its text white on selected
// rows, or bold white over a dark shadow with bold highlighting on. The selection itself is the
// view's.
class HilightingTextFieldCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // The one bezel style that keeps the ordinary text colour on selected rows.
    static constexpr int RoundedBezelStyle = 1;

    struct TextLook {
        QFont font;
        QColor color;
        bool shadow = false; // black, one point below the text
    };

    using QStyledItemDelegate::QStyledItemDelegate;

    bool boldTitleHighlighting() const { return m_boldTitleHighlighting; }
    void setBoldTitleHighlighting(bool bold) { m_boldTitleHighlighting = bold; }
    int bezelStyle() const { return m_bezelStyle; }
    void setBezelStyle(int style) { m_bezelStyle = style; }

    TextLook lookFor(const QFont& font, bool highlighted) const;
    // The frame the text is drawn in: `textHeight` plus a seventh of it, at most the cell's height,
    // centred vertically in the cell.
    static QRectF centredTextFrame(const QRectF& cellFrame, qreal textHeight);
    // The height of `text` drawn with `font` in a cell `cellWidth` wide.
    static qreal textHeight(const QString& text, const QFont& font, qreal cellWidth);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    // The selection panel, then the text in `frame` (the cell's frame, or what an icon leaves).
    void drawTextInFrame(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
        const QRectF& frame) const;
    void drawPanel(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

private:
    bool m_boldTitleHighlighting = false;
    int m_bezelStyle = 0;
};
