#pragma once

#include "Decimal.h"

#include <QString>
#include <optional>

// The sheet that scales a recipe or one ingredient line, as state: the pop-up of standard factors
// (its items tagged 1 to 5), the custom factor's field and caption, the two captions, and the
// factor chosen. The dialog shows this state and reports the user's choices to it.
class ScaleSheet
{
public:
    enum class Variant { Recipe, Ingredient };
    // Pop-up tags: 1 halves, 2 doubles, 3 and 4 multiply by three and four, 5 asks for a number.
    static constexpr int kCustomTag = 5;

    // As the sheet opens: the item tagged 2 chosen, a factor of 2, the custom field hidden, the
    // caption of the variant shown.
    explicit ScaleSheet(Variant variant);

    Variant variant() const { return m_variant; }
    bool popupVisible() const { return m_popupVisible; }
    bool customFieldVisible() const { return m_customVisible; }
    bool customFieldFocused() const { return m_customFocused; }
    bool recipeCaptionVisible() const { return m_variant == Variant::Recipe; }
    bool ingredientCaptionVisible() const { return m_variant == Variant::Ingredient; }
    int selectedTag() const { return m_selectedTag; }
    QString customValue() const { return m_customValue; }

    // The pop-up's choice.
    void changeYieldPopup(int tag);
    // The custom field's text.
    void setCustomValue(const QString& text);

    // The factor to scale by: nothing when the choice gives none above zero (see problem()).
    std::optional<Decimal> scaleFactor() const;
    // Why scaleFactor() gives nothing, for the user; empty when it gives a factor.
    QString problem() const;

private:
    Variant m_variant;
    bool m_popupVisible = true;
    bool m_customVisible = false;
    bool m_customFocused = false;
    int m_selectedTag = 2;
    QString m_customValue;
};
