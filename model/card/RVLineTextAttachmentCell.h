#pragma once

#include "TextAttachment.h"

// The grey horizontal rule that closes a section of the recipe card. It has no state of its own.
class RVLineTextAttachmentCell
{
public:
    RVLineTextAttachmentCell() = default;

    // The attachment value that carries this cell in an attributed string.
    TextAttachment attachment() const;
};
