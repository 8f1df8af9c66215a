#pragma once

#include <QString>
#include <QStringList>

// One ingredient line of a card, as read: five texts, never null. A field that is empty by
// isEmpty ("" or "(null)") reads as the empty string.
class VRCIngredient
{
public:
    VRCIngredient() = default;
    // The ";" fields of the line: amount, measure, modifier, ingredient name, then the display
    // string, which is every further field joined back with ";" (it may hold ";" itself).
    // Missing fields read as empty.
    explicit VRCIngredient(const QStringList& fields);

    const QString& measure() const { return m_measure; }
    const QString& measureType() const { return m_measureType; }
    const QString& modifier() const { return m_modifier; }
    const QString& ingredientName() const { return m_ingredientName; }
    const QString& displayString() const { return m_displayString; }

    void setMeasure(const QString& measure);
    void setMeasureType(const QString& measureType);
    void setModifier(const QString& modifier);
    void setIngredientName(const QString& ingredientName);
    void setDisplayString(const QString& displayString);

    // Amount, measure, modifier and name, each separated by one space (empty ones included).
    QString string() const;

    bool operator==(const VRCIngredient&) const = default;

private:
    QString m_measure = QStringLiteral("");
    QString m_measureType = QStringLiteral("");
    QString m_modifier = QStringLiteral("");
    QString m_ingredientName = QStringLiteral("");
    QString m_displayString = QStringLiteral("");
};
