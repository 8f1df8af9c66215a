#include "ItemRun.h"

#include "ConstantManager.h"
#include "FontNames.h"
#include "IsEmpty.h"
#include "ManagedObject.h"
#include "RecipeBuildingAdditions.h"
#include "RecipeCardAttributes.h"

#include <QColor>

namespace ItemRun
{

AttributedString attributedString(
    const ManagedObject* item, const QString& groupKey, const std::optional<ParagraphStyle>& paragraphStyle)
{
    const QString valueKeyPath
        = ConstantManager::defaultManager().constantForKey(RVValueConstantKey, groupKey);
    const QVariant index = item->valueForKey(QStringLiteral("index"));
    const QFont font = FontNames::fontWithName(RVDisplayFont, 12);

    QVariantMap attributes { { RVValueAttribute, valueKeyPath }, { RVIndexAttribute, index },
        { NSFontAttributeName, QVariant::fromValue(font) } };
    if (paragraphStyle)
        attributes.insert(NSParagraphStyleAttributeName, QVariant::fromValue(*paragraphStyle));

    item->willAccessValueForKey(QStringLiteral("text"));
    const QVariant text = item->primitiveValueForKey(QStringLiteral("text"));
    item->didAccessValueForKey(QStringLiteral("text"));

    MutableAttributedString result;
    if (isEmpty(text)) {
        const ManagedObject* recipe = item->objectForKey(QStringLiteral("recipe"));
        if (recipe && recipe->valueForKey(QStringLiteral("editing")).toBool()) {
            const QString placeholder
                = ConstantManager::defaultManager().constantForKey(RVPlaceholderConstantKey, groupKey);
            RecipeBuildingAdditions::appendPlaceholderString(result, placeholder, valueKeyPath,
                RVValueAttribute, font, QColor::fromRgbF(2.0 / 3, 2.0 / 3, 2.0 / 3));
        }
        result.addAttribute(RVIndexAttribute, index, Range { 0, result.length() });
        return result;
    }

    if (paragraphStyle) {
        RecipeBuildingAdditions::appendNumber(result, index,
            { { NSFontAttributeName, QVariant::fromValue(font) },
                { NSParagraphStyleAttributeName, QVariant::fromValue(*paragraphStyle) } });
    }
    RecipeBuildingAdditions::appendString(result, text.toString(), attributes);
    return result;
}

void setAttributedString(ManagedObject* item, const AttributedString& string)
{
    item->willChangeValueForKey(QStringLiteral("attributedString"));
    if (string.length() > 0) {
        const QVariant index = string.attributeAtIndex(RVIndexAttribute, 0);
        // A run without an item number keeps the item where it is.
        if (index.isValid() && !index.isNull())
            item->setValueForKey(index, QStringLiteral("index"));
    }
    item->setValueForKey(string.string(), QStringLiteral("text"));
    item->didChangeValueForKey(QStringLiteral("attributedString"));
}

} // namespace ItemRun
