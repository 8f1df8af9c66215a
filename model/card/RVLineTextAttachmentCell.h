#pragma once

#include "TextAttachment.h"

#include <QRectF>

class QPainter;

// The grey horizontal rule that closes a section of the recipe card. It has no state of its own.
class RVLineTextAttachmentCell
{
public:
    RVLineTextAttachmentCell() = default;

    // The attachment value that carries this cell in an attributed string.
    TextAttachment attachment() const;

    // The text system's frame, as wide as the proposed line less the line fragment padding.
    static QRectF cellFrameForProposedFrame(QRectF frame, QRectF lineFragment, double lineFragmentPadding);
    // How far short of the frame's right edge the rule ends: twice the padding (whole points) in
    // the recipe text view, else nothing.
    static double insetForView(bool recipeTextView, double lineFragmentPadding);
    // A grey rule through the middle of the frame, ending inset short of its right edge.
    static void drawWithFrame(QPainter& painter, QRectF frame, double inset);
    bool wantsToTrackMouse() const { return false; }
};
