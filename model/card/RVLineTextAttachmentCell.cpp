#include "RVLineTextAttachmentCell.h"

TextAttachment RVLineTextAttachmentCell::attachment() const
{
    TextAttachment attachment;
    attachment.cell = TextAttachment::Cell::Line;
    return attachment;
}
