#pragma once

#include "TextAttachment.h"

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

class QPainter;

// The push button that the recipe card shows where a list can grow ("add ingredients...").
// The model only names it; the recipe page draws it and handles its clicks.
class RVButtonTextAttachmentCell
{
public:
    RVButtonTextAttachmentCell() = default;

    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    bool clicked() const { return m_clicked; }
    void setClicked(bool clicked) { m_clicked = clicked; }

    // The attachment value that carries this cell in an attributed string.
    TextAttachment attachment() const;

    // The title in the bold display font at 12 points, dark grey.
    static QVariantMap titleAttributes();
    // The title's size, 26 points wider (room for the plus sign and the rounded ends), and 1 or 2
    // points higher so that a whole-number height becomes even.
    QSizeF cellSize() const;
    static QSizeF cellSizeForTitleSize(QSizeF titleSize);
    // The text system's frame for the cell with the width of cellSize.
    QRectF cellFrameForProposedFrame(QRectF frame) const;
    // A white rounded button with a light grey edge, the plus sign and the title.
    void drawWithFrame(QPainter& painter, QRectF frame) const;
    bool wantsToTrackMouse() const { return true; }

    // A press on the button, followed until the release: the release inside clicks once, a drag
    // out of the frame ends it without a click.
    struct MouseTracking {
        bool active = false;
        QRectF cellFrame;
    };
    // Only a left press starts tracking.
    static MouseTracking trackMouse(Qt::MouseButton button, QRectF cellFrame);
    // False (and tracking ends) once the point leaves the frame.
    static bool mouseDragged(MouseTracking& tracking, QPointF point);
    // True when the release clicks the button.
    static bool mouseUp(MouseTracking& tracking, QPointF point);

private:
    QString m_title;
    bool m_clicked = false;
};
