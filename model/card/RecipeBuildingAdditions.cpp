#include "RecipeBuildingAdditions.h"

#include "FontNames.h"
#include "IsEmpty.h"
#include "RecipeCardAttributes.h"

namespace RecipeBuildingAdditions
{

namespace
{

QVariantMap displayFontAttributes()
{
    return { { NSFontAttributeName, QVariant::fromValue(FontNames::fontWithName(RVDisplayFont, 12)) } };
}

void addFontAndColor(QVariantMap& attributes, const std::optional<QFont>& font, const QColor& color)
{
    if (font)
        attributes.insert(NSFontAttributeName, QVariant::fromValue(*font));
    if (color.isValid())
        attributes.insert(NSForegroundColorAttributeName, QVariant::fromValue(color));
}

void addPairs(QVariantMap& attributes, const QVariantList& values, const QStringList& names)
{
    const qsizetype count = std::min(values.size(), names.size());
    for (qsizetype i = 0; i < count; ++i) {
        if (values[i].isValid() && !names[i].isEmpty())
            attributes.insert(names[i], values[i]);
    }
}

} // namespace

void appendString(MutableAttributedString& target, const QString& string, const QVariantMap& attributes)
{
    target.appendAttributedString(AttributedString(string, attributes));
}

void appendString(MutableAttributedString& target, const QString& string, const QVariant& value,
    const QString& attribute, const std::optional<QFont>& font, const QColor& color)
{
    if (isEmpty(string))
        return;
    QVariantMap attributes;
    addPairs(attributes, { value }, { attribute });
    addFontAndColor(attributes, font, color);
    appendString(target, string, attributes);
}

void appendString(MutableAttributedString& target, const QString& string, const QVariantList& values,
    const QStringList& attributes, const std::optional<QFont>& font, const QColor& color)
{
    if (isEmpty(string))
        return;
    QVariantMap map;
    addPairs(map, values, attributes);
    addFontAndColor(map, font, color);
    appendString(target, string, map);
}

void appendPlaceholderString(MutableAttributedString& target, const QString& string, const QVariant& value,
    const QString& attribute, const std::optional<QFont>& font, const QColor& color)
{
    appendString(target, string, QVariantList { RVPlaceholderAttribute, value },
        QStringList { RVPlaceholderAttribute, attribute }, font, color);
}

void appendPlaceholderString(MutableAttributedString& target, const QString& string,
    const QVariantList& values, const QStringList& attributes, const std::optional<QFont>& font,
    const QColor& color)
{
    // Pair the caller's lists first, so a short value list cannot shift the placeholder's name
    // onto a caller's value.
    const qsizetype count = std::min(values.size(), attributes.size());
    QVariantList allValues = values.first(count);
    QStringList allNames = attributes.first(count);
    allValues.append(RVPlaceholderAttribute);
    allNames.append(RVPlaceholderAttribute);
    appendString(target, string, allValues, allNames, font, color);
}

void appendNewLine(MutableAttributedString& target)
{
    appendString(target, QStringLiteral("\n"), displayFontAttributes());
}

void appendTwoNewLine(MutableAttributedString& target)
{
    appendString(target, QStringLiteral("\n\n"), displayFontAttributes());
}

void appendSpace(MutableAttributedString& target)
{
    appendString(target, QStringLiteral(" "), displayFontAttributes());
}

void appendTab(MutableAttributedString& target)
{
    appendString(target, QStringLiteral("\t"), displayFontAttributes());
}

void appendBullet(MutableAttributedString& target)
{
    appendString(target, QString(QChar(0x2022)), displayFontAttributes());
}

void appendNumber(MutableAttributedString& target, const QVariant& number, const QVariantMap& attributes)
{
    // Printed as a C int, as item numbers always were.
    const int value = number.isValid() ? int(number.toULongLong()) : 55555555;
    appendString(target, QStringLiteral("%1. ").arg(value), attributes);
}

void appendNumber(MutableAttributedString& target, const QVariant& number)
{
    appendNumber(target, number, displayFontAttributes());
}

} // namespace RecipeBuildingAdditions
