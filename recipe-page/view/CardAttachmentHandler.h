#pragma once

#include <QObject>
#include <QTextObjectInterface>

// Sizes and draws the card's attachment characters in the page's document: the horizontal rule
// and the add button.
class CardAttachmentHandler : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    // lineFragmentPadding: the container's padding; the rule spans the line less it and ends twice
    // it short of the right edge.
    explicit CardAttachmentHandler(double lineFragmentPadding, QObject* parent = nullptr);

    QSizeF intrinsicSize(QTextDocument* document, int positionInDocument, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int positionInDocument,
        const QTextFormat& format) override;

private:
    double m_padding;
};
