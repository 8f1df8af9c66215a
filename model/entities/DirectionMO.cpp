#include "DirectionMO.h"

#include "ConstantManager.h"
#include "FontNames.h"
#include "ItemRun.h"
#include "RecipeCardAttributes.h"
#include "RecipeMO.h"

#include <QFontMetricsF>

QString DirectionMO::string() const
{
    return valueForKey(QStringLiteral("text")).toString();
}

QString DirectionMO::formattedString() const
{
    return attributedString().string();
}

AttributedString DirectionMO::attributedString() const
{
    return ItemRun::attributedString(this, KRDirectionConstantGroup,
        directionParagraphStyleForIndex(valueForKey(QStringLiteral("index"))));
}

void DirectionMO::setAttributedString(const AttributedString& string)
{
    ItemRun::setAttributedString(this, string);
}

ParagraphStyle DirectionMO::directionParagraphStyleForIndex(const QVariant& index)
{
    ParagraphStyle style = RecipeMO::defaultParagraphStyle();
    const QString number = QStringLiteral("%1. ").arg(
        index.isValid() && !index.isNull() ? index.toString() : QStringLiteral("(null)"));
    style.headIndent = QFontMetricsF(FontNames::fontWithName(RVDisplayFont, 12)).horizontalAdvance(number);
    style.firstLineHeadIndent = 0;
    return style;
}

void DirectionMO::setIndex(const QVariant& index)
{
    willChangeValueForKey(QStringLiteral("index"));
    setPrimitiveValue(index, QStringLiteral("index"));
    didChangeValueForKey(QStringLiteral("index"));
}

QString DirectionMO::constantGroupKey() const
{
    return KRDirectionConstantGroup;
}

QVariant DirectionMO::valueForKey(const QString& key) const
{
    if (const std::optional<QVariant> value = ItemRun::computedValueForKey(*this, key))
        return *value;
    return BaseMO::valueForKey(key);
}

void DirectionMO::setValueForKey(const QVariant& value, const QString& key)
{
    if (key == QLatin1String("attributedString")) {
        setAttributedString(value.value<AttributedString>());
        return;
    }
    if (key == QLatin1String("index")) {
        setIndex(value);
        return;
    }
    BaseMO::setValueForKey(value, key);
}

QStringList DirectionMO::keyPathsForValuesAffectingValueForKey(const QString& key) const
{
    QStringList keys = BaseMO::keyPathsForValuesAffectingValueForKey(key);
    if (key == QLatin1String("attributedString"))
        keys << QStringLiteral("text") << QStringLiteral("index");
    return keys;
}
