// The import window as a user works it on the offscreen platform: paste, mark the name, import,
// and find the recipe in the library with its ingredient lines parsed.

#include "ImportController.h"
#include "ImportFixture.h"
#include "IngredientMO.h"
#include "RecipeIngredientMO.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <gtest/gtest.h>

namespace
{

const char* const kPancakes
    = "Buttermilk Pancakes\n"
      "Serves 4\n"
      "\n"
      "Ingredients\n"
      "2 cups all-purpose flour\n"
      "2 tablespoons sugar\n"
      "1 teaspoon baking soda\n"
      "1/2 teaspoon salt\n"
      "2 cups buttermilk\n"
      "2 eggs\n"
      "3 tablespoons butter, melted\n"
      "\n"
      "Directions\n"
      "Make them on a Sunday morning.\n"
      "1. Whisk the flour, sugar, baking soda and salt in a large bowl.\n"
      "2. Beat the buttermilk, eggs and butter in another bowl, then stir them in.\n"
      "3. Cook on a hot griddle until bubbles form, then turn and cook until golden.\n";

class ImportWindowWidgetTest : public ImportFixture
{
protected:
    void SetUp() override
    {
        ImportFixture::SetUp();
        ImportController::Outlets outlets;
        outlets.showRecipe = [this](ManagedObject* recipe) { shown.append(recipe); };
        controller = std::make_unique<ImportController>(outlets);
        controller->importWindow()->resize(700, 900);
        controller->importWindow()->show();
    }

    // Pastes the text as the user would and marks its first line as the name from the pop-up.
    void pasteAndMarkTheName(const QString& text, const QString& name)
    {
        QApplication::clipboard()->setText(text);
        controller->paste();
        RecipeImportView* view = controller->importView();
        const qsizetype at = view->string().indexOf(name);
        ASSERT_GE(at, 0);
        const QRectF line = view->textLayout().boundingRectForGlyphRange({ at, name.size() });
        view->mouseDownAtPoint(line.topLeft() + QPointF(-4, 2));
        view->mouseDraggedToPoint(line.bottomRight() + QPointF(4, -2));
        view->mouseUpAtPoint(line.bottomRight() + QPointF(4, -2));
        const auto areas = view->currentImportAreas();
        ASSERT_FALSE(areas.isEmpty());
        ImportArea* area = areas.last().get();
        ASSERT_FALSE(area->gridFits());
        ASSERT_TRUE(area->hasPopup());
        const QPointF choice(
            area->popupRect().center().x(), area->popupRect().top() + area->cellHeight() / 2);
        view->mouseDownAtPoint(choice);
        view->mouseUpAtPoint(choice);
        ASSERT_EQ(area->key(), "Name");
    }

    RecipeMO* theImportedRecipe()
    {
        const QList<ManagedObject*> imported = recipesIn(services.imported);
        return imported.size() == 1 ? dynamic_cast<RecipeMO*>(imported.first()) : nullptr;
    }

    std::unique_ptr<ImportController> controller;
    QList<ManagedObject*> shown;
};

TEST_F(ImportWindowWidgetTest, PastedRecipeLandsInTheLibraryWithItsIngredientsParsed)
{
    ASSERT_NO_FATAL_FAILURE(pasteAndMarkTheName(QString::fromUtf8(kPancakes), "Buttermilk Pancakes"));
    QStringList keys;
    for (const auto& area : controller->importView()->currentImportAreas())
        keys.append(area->key());
    EXPECT_EQ(keys, QStringList({ "Ingredients", "Directions", "Name" }));
    ASSERT_TRUE(controller->importButton()->isEnabled());

    controller->importButton()->click();

    RecipeMO* recipe = theImportedRecipe();
    ASSERT_TRUE(recipe);
    EXPECT_EQ(shown, QList<ManagedObject*>({ recipe }));
    EXPECT_TRUE(recipesIn(services.library).contains(recipe));
    EXPECT_FALSE(context->hasChanges()) << "saved";
    EXPECT_EQ(recipe->valueForKey("name").toString(), "Buttermilk Pancakes");
    const QList<ManagedObject*> lines = recipe->sortedItemsForKey("ingredients");
    ASSERT_EQ(lines.size(), 7);
    const struct {
        const char* amount;
        const char* measure;
        const char* ingredient;
    } expected[] = {
        { "2", "cups", "all-purpose flour" },
        { "2", "tablespoons", "sugar" },
        { "1", "teaspoon", "baking soda" },
        { "1/2", "teaspoon", "salt" },
        { "2", "cups", "buttermilk" },
        { "2", "", "egg" },
        { "3", "tablespoons", "butter" },
    };
    for (int i = 0; i < 7; ++i) {
        auto* line = dynamic_cast<RecipeIngredientMO*>(lines.at(i));
        ASSERT_TRUE(line);
        EXPECT_EQ(line->amount(), expected[i].amount) << i;
        EXPECT_EQ(line->measure(), expected[i].measure) << i;
        ASSERT_TRUE(line->baseIngredient()) << i;
        EXPECT_EQ(line->baseIngredient()->name(), expected[i].ingredient) << i;
    }
    EXPECT_EQ(recipe->sortedItemsForKey("directions").size(), 3);
    EXPECT_FALSE(controller->importWindow()->isVisible());
    EXPECT_EQ(controller->importView()->areaCount(), 0);
}

// A real recipe from the evaluation data, when it is at hand.
TEST_F(ImportWindowWidgetTest, RecipeFromTheEvaluationData)
{
    QFile file(
        QStringLiteral(KITCHORA_SOURCE_DIR "/../shared/evaldata/recipes/recipe-scrapers/expected.jsonl"));
    if (!file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no evaluation data";
    const QJsonObject record = QJsonDocument::fromJson(file.readLine()).object();
    const QString title = record.value("title").toString();
    QStringList ingredients;
    for (const QJsonValue& line : record.value("ingredients").toArray())
        ingredients.append(line.toString());
    QStringList steps;
    for (const QJsonValue& step : record.value("instructions_list").toArray())
        steps.append(step.toString());
    ASSERT_FALSE(title.isEmpty());
    ASSERT_GE(ingredients.size(), 3);
    const QString text = title + QStringLiteral("\n\nIngredients\n") + ingredients.join(u'\n')
        + QStringLiteral("\n\nInstructions\n") + steps.join(u'\n') + u'\n';

    ASSERT_NO_FATAL_FAILURE(pasteAndMarkTheName(text, title));
    controller->importButton()->click();

    RecipeMO* recipe = theImportedRecipe();
    ASSERT_TRUE(recipe);
    EXPECT_EQ(recipe->valueForKey("name").toString(), title);
    const QList<ManagedObject*> lines = recipe->sortedItemsForKey("ingredients");
    // The block the window found by itself holds most of the lines, each parsed.
    EXPECT_GE(lines.size(), ingredients.size() * 2 / 3);
    int withIngredient = 0;
    for (ManagedObject* item : lines) {
        auto* line = dynamic_cast<RecipeIngredientMO*>(item);
        if (line && line->baseIngredient() && !line->baseIngredient()->name().isEmpty())
            ++withIngredient;
    }
    EXPECT_GE(withIngredient, int(lines.size()) * 2 / 3);
    EXPECT_FALSE(recipe->sortedItemsForKey("directions").isEmpty());
}

} // namespace
