#include "VRCIngredient.h"

#include "IsEmpty.h"

namespace
{

// Absent and "(null)" both become "", so callers never meet a null text.
QString fieldText(const QString& text)
{
    return isEmpty(text) ? QStringLiteral("") : text;
}

} // namespace

VRCIngredient::VRCIngredient(const QStringList& fields)
{
    const auto field = [&fields](qsizetype i) -> QString {
        return i < fields.size() ? fieldText(fields.at(i)) : QStringLiteral("");
    };
    m_measure = field(0);
    m_measureType = field(1);
    m_modifier = field(2);
    m_ingredientName = field(3);
    m_displayString = fields.size() > 4 ? fieldText(fields.mid(4).join(u';')) : QStringLiteral("");
}

void VRCIngredient::setMeasure(const QString& measure)
{
    m_measure = fieldText(measure);
}

void VRCIngredient::setMeasureType(const QString& measureType)
{
    m_measureType = fieldText(measureType);
}

void VRCIngredient::setModifier(const QString& modifier)
{
    m_modifier = fieldText(modifier);
}

void VRCIngredient::setIngredientName(const QString& ingredientName)
{
    m_ingredientName = fieldText(ingredientName);
}

void VRCIngredient::setDisplayString(const QString& displayString)
{
    m_displayString = fieldText(displayString);
}

QString VRCIngredient::string() const
{
    return QStringLiteral("%1 %2 %3 %4").arg(m_measure, m_measureType, m_modifier, m_ingredientName);
}
