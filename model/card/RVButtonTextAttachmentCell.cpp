#include "RVButtonTextAttachmentCell.h"

TextAttachment RVButtonTextAttachmentCell::attachment() const
{
    TextAttachment attachment;
    attachment.cell = TextAttachment::Cell::Button;
    attachment.title = m_title;
    return attachment;
}
