#pragma once

#include "TextAttachment.h"

#include <QString>

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

private:
    QString m_title;
    bool m_clicked = false;
};
