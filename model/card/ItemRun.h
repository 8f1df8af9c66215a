#pragma once

#include "AttributedString.h"
#include "ParagraphStyle.h"

#include <QString>
#include <QVariant>
#include <optional>

class ManagedObject;

// The card run of one text item of a recipe list (a direction or a note), and taking an edited
// run back into the item.
namespace ItemRun
{

// Stored text under "text"; empty text shows the group's placeholder while the recipe is being
// edited. With a paragraph style the text is preceded by its number ("3. ").
AttributedString attributedString(
    const ManagedObject* item, const QString& groupKey, const std::optional<ParagraphStyle>& paragraphStyle);

// The item's index from the run's first character (when it carries one) and its text.
void setAttributedString(ManagedObject* item, const AttributedString& string);

// The computed keys every list item answers: its card run, its stored text and its shown text.
template <class Item> std::optional<QVariant> computedValueForKey(const Item& item, const QString& key)
{
    if (key == QLatin1String("attributedString"))
        return QVariant::fromValue(item.attributedString());
    if (key == QLatin1String("string"))
        return item.string();
    if (key == QLatin1String("formattedString"))
        return item.formattedString();
    return std::nullopt;
}

} // namespace ItemRun
