#include "NoteMO.h"

#include "ConstantManager.h"
#include "ItemRun.h"

QString NoteMO::string() const
{
    return valueForKey(QStringLiteral("text")).toString();
}

QString NoteMO::formattedString() const
{
    return attributedString().string();
}

AttributedString NoteMO::attributedString() const
{
    return ItemRun::attributedString(this, KRNoteConstantGroup, std::nullopt);
}

void NoteMO::setAttributedString(const AttributedString& string)
{
    ItemRun::setAttributedString(this, string);
}

QString NoteMO::constantGroupKey() const
{
    return KRNoteConstantGroup;
}

QVariant NoteMO::valueForKey(const QString& key) const
{
    if (const std::optional<QVariant> value = ItemRun::computedValueForKey(*this, key))
        return *value;
    return BaseMO::valueForKey(key);
}

void NoteMO::setValueForKey(const QVariant& value, const QString& key)
{
    if (key == QLatin1String("attributedString")) {
        setAttributedString(value.value<AttributedString>());
        return;
    }
    BaseMO::setValueForKey(value, key);
}

QStringList NoteMO::keyPathsForValuesAffectingValueForKey(const QString& key) const
{
    QStringList keys = BaseMO::keyPathsForValuesAffectingValueForKey(key);
    if (key == QLatin1String("attributedString"))
        keys << QStringLiteral("text") << QStringLiteral("index");
    return keys;
}
