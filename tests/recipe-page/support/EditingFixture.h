#pragma once

#include "CardFixture.h"
#include "FixedMetricsLayout.h"
#include "RecipeCardAttributes.h"
#include "RecipeEditingModel.h"

#include <memory>

// A recipe of the library store being edited on a page model with fixed-metrics layout.
class EditingFixture : public CardFixture
{
protected:
    void SetUp() override
    {
        CardFixture::SetUp();
        layout = std::make_unique<FixedMetricsLayout>(page.textStorage());
        page.setLayout(layout.get());
    }

    // "Soup" with ingredients, directions and notes as given (texts), being edited on the page.
    RecipeMO* edit(const QStringList& ingredients, const QStringList& directions, const QStringList& notes,
        const QString& name = QStringLiteral("Soup"))
    {
        recipe = bareRecipe(name);
        int i = 0;
        for (const QString& line : ingredients)
            addIngredient(recipe, ++i, {}, {}, {}, line.section(u' ', -1), line);
        if (ingredients.isEmpty())
            addIngredient(recipe, 1, {}, {}, {}, {}, {});
        i = 0;
        for (const QString& text : directions)
            addItem(recipe, QStringLiteral("Direction"), ++i, text);
        if (directions.isEmpty())
            addItem(recipe, QStringLiteral("Direction"), 1, {});
        i = 0;
        for (const QString& text : notes)
            addItem(recipe, QStringLiteral("Note"), ++i, text);
        if (notes.isEmpty())
            addItem(recipe, QStringLiteral("Note"), 1, {});
        recipe->setEditing(true);
        page.setRecipe(recipe);
        page.reloadCard();
        page.setEditable(true);
        return recipe;
    }

    // The value run of the field (index 0: any item) on the page.
    Range run(const QString& keyPath, int index = 0) const
    {
        const AttributedString& card = page.textStorage();
        for (qsizetype at = 0; at < card.length();) {
            Range found;
            const QString value = page.fieldAtIndex(at, &found);
            if (value == keyPath
                && (index == 0 || card.attributeAtIndex(RVIndexAttribute, at).toInt() == index))
                return found;
            at = maxRange(found);
        }
        return { Range::NotFound, 0 };
    }

    QString text(Range range) const { return page.textStorage().string().mid(range.location, range.length); }
    QString editedText() const { return text(page.editRange()); }

    void choose(Range field)
    {
        page.setEditRange(field);
        page.setIsEditing(true);
        page.setSelectedRange(field);
    }

    RecipeEditingModel page;
    std::unique_ptr<FixedMetricsLayout> layout;
    RecipeMO* recipe = nullptr;
};
