#pragma once

#include "AttributedString.h"

class ManagedObject;
class QTextDocument;

// Turns a recipe card (the model's attributed string) into a QTextDocument for a read-only view:
// fonts and colours per run; each paragraph's style as block format (line spacing, spacing after,
// indents, tab stops, alignment, all in points); a line attachment becomes a rule under its
// paragraph, other attachments are left out. Paragraphs end at "\n" or U+2029; U+2028 breaks a
// line inside one. Any thread, one document per call.
class RecipeCardDocument
{
public:
    // Replaces the contents of `document`.
    static void fill(QTextDocument* document, const AttributedString& card);
    // The recipe's card; empty for anything but a recipe. Main thread (the card may be rebuilt).
    static AttributedString cardOf(ManagedObject* recipe);
};
