#include "ScaleSheet.h"

#include "AmountFinding.h"

#include <QCoreApplication>

namespace
{

QString localized(const char* english)
{
    return QCoreApplication::translate("ContextualMenuEngine", english);
}

enum class CustomProblem { None, Empty, NotANumber, Negative, Zero };

CustomProblem customProblem(const QString& text, Decimal* value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return CustomProblem::Empty;
    if (trimmed.startsWith(u'-') || trimmed.startsWith(QChar(0x2212)))
        return CustomProblem::Negative;
    // The amount reader counts text without any number as one: such text is no factor here.
    bool hasNumber = false;
    for (QChar c : trimmed)
        hasNumber = hasNumber || c.isNumber();
    if (!hasNumber)
        return CustomProblem::NotANumber;
    *value = AmountFinding::amountDecimalNumberValue(trimmed);
    if (value->isNegative())
        return CustomProblem::Negative;
    if (value->isZero())
        return CustomProblem::Zero;
    return CustomProblem::None;
}

} // namespace

ScaleSheet::ScaleSheet(Variant variant)
    : m_variant(variant)
{
}

void ScaleSheet::changeYieldPopup(int tag)
{
    m_selectedTag = tag;
    if (tag == kCustomTag) {
        m_popupVisible = false;
        m_customVisible = true;
        m_customFocused = true;
    }
}

void ScaleSheet::setCustomValue(const QString& text)
{
    m_customValue = text;
}

std::optional<Decimal> ScaleSheet::scaleFactor() const
{
    switch (m_selectedTag) {
    case 1:
        return Decimal::decimalNumberWithString(QStringLiteral("0.5"));
    case 2:
    case 3:
    case 4:
        return Decimal::fromInt(m_selectedTag);
    case kCustomTag: {
        Decimal value;
        if (customProblem(m_customValue, &value) != CustomProblem::None)
            return std::nullopt;
        return value;
    }
    default:
        return std::nullopt;
    }
}

QString ScaleSheet::problem() const
{
    if (m_selectedTag >= 1 && m_selectedTag <= 4)
        return {};
    if (m_selectedTag != kCustomTag)
        return localized("The chosen scale is not known, so nothing was scaled.");
    Decimal value;
    switch (customProblem(m_customValue, &value)) {
    case CustomProblem::None:
        return {};
    case CustomProblem::Empty:
        return localized("No scale factor was entered, so nothing was scaled.");
    case CustomProblem::NotANumber:
        return localized("The scale factor is not a number, so nothing was scaled.");
    case CustomProblem::Negative:
        return localized("The scale factor is below zero, so nothing was scaled.");
    case CustomProblem::Zero:
        return localized("A scale factor of zero would remove every amount, so nothing was scaled.");
    }
    return {};
}
