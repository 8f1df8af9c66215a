#pragma once

#include "AttributedString.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextFormat>

class QTextDocument;

// The one place where the card's attributes become text formats of the page's document. Every
// card character is one document position: "\n" ends a block, U+FFFC is an object drawn by the
// attachment cells (CardAttachmentHandler), so indexes of the card and the document agree.
namespace CardTextDocument
{

// The object type of the card's attachment characters.
constexpr int AttachmentObjectType = QTextFormat::UserObject + 1;
// The char format property that carries the TextAttachment.
constexpr int AttachmentProperty = QTextFormat::UserProperty + 1;

QTextCharFormat charFormat(const QVariantMap& attributes);
QTextBlockFormat blockFormat(const QVariantMap& attributes);
// Replaces document positions [range] by the card's characters [location, location + length).
void replace(QTextDocument* document, Range range, const AttributedString& card, Range from);
// The whole card.
void fill(QTextDocument* document, const AttributedString& card);

} // namespace CardTextDocument
