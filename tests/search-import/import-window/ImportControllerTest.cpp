#include "ImportController.h"

#include "CoreDataErrors.h"
#include "CueTextView.h"
#include "FakeImportTextLayout.h"
#include "ImportFixture.h"
#include "ImportService.h"
#include "Log.h"
#include "ParsingEngine.h"
#include "TaggedTextBlockImporter.h"

#include <QMimeData>
#include <QPushButton>
#include <gtest/gtest.h>
#include <stdexcept>

namespace
{

// A recipe of `lines` lines: a title, four ingredient lines, then steps.
QString recipeOfLines(int lines)
{
    QString text = QStringLiteral("Sugar Cookies\n"
                                  "2 cups all-purpose flour\n"
                                  "1 cup sugar\n"
                                  "2 eggs\n"
                                  "1 cup butter, softened\n");
    for (int i = 5; i < lines; ++i)
        text += QStringLiteral("Stir the dough gently and set it aside for a while now.\n");
    return text;
}

class ImportControllerTest : public ImportFixture
{
protected:
    void SetUp() override
    {
        ImportFixture::SetUp();
        outlets.generalPasteboard = [this] { return &clipboard; };
        outlets.showRecipe = [this](ManagedObject* recipe) { shown.append(recipe); };
    }

    std::unique_ptr<ImportController> makeController() { return std::make_unique<ImportController>(outlets); }

    // Puts plain text in the view on the fake layout.
    static void setFakeText(ImportController& controller, const QString& text)
    {
        controller.importView()->setPlainText(text);
        controller.importView()->setTextLayout(std::make_unique<FakeImportTextLayout>(text));
    }

    static std::shared_ptr<ImportArea> addArea(
        ImportController& controller, const QRectF& frame, const QString& key)
    {
        auto area = ImportArea::areaWithFrame(frame, false, controller.importView());
        area->setKey(key);
        controller.importView()->addArea(area);
        return area;
    }

    QList<ManagedObject*> recipesInStoreContext() { return fetchAll(QStringLiteral("Recipe")); }

    ImportController::Outlets outlets;
    QMimeData clipboard;
    QList<ManagedObject*> shown;
};

TEST_F(ImportControllerTest, PickUpTakesOnlyRecipeTextOfTenLinesOrMore)
{
    const struct {
        const char* name;
        QString text;
        bool loaded;
        bool areas;
    } cases[] = {
        { "ten lines of recipe", recipeOfLines(10), true, true },
        { "nine lines: loaded, but no areas", recipeOfLines(9), true, false },
        { "one known ingredient",
            QStringLiteral("My supper\n2 cups flour\n1 pinch of zorblax\n") + QString(20, u'\n'), false,
            false },
        { "no ingredients block",
            QStringLiteral("Dear friend,\nthanks for the lovely evening.\n").repeated(6), false, false },
    };
    for (const auto& c : cases) {
        auto controller = makeController();
        clipboard.setText(c.text);
        controller->windowDidBecomeKey();
        EXPECT_EQ(!controller->importView()->string().isEmpty(), c.loaded) << c.name;
        EXPECT_EQ(controller->importView()->areaCount() > 0, c.areas) << c.name;
        EXPECT_EQ(controller->canImport(), c.areas) << c.name;
    }
}

TEST_F(ImportControllerTest, PickUpNeverReplacesTheUsersAreas)
{
    auto controller = makeController();
    setFakeText(*controller, QStringLiteral("my own text\n"));
    addArea(*controller, FakeImportTextLayout::linesRect(0, 0), QStringLiteral("Name"));
    clipboard.setText(recipeOfLines(12));
    controller->windowDidBecomeKey();
    EXPECT_EQ(controller->importView()->string(), "my own text\n");
    EXPECT_EQ(controller->importView()->areaCount(), 1);
}

TEST_F(ImportControllerTest, PastingReplacesTextAndAreas)
{
    auto controller = makeController();
    setFakeText(*controller, QStringLiteral("old text\n"));
    addArea(*controller, FakeImportTextLayout::linesRect(0, 0), QStringLiteral("Name"));
    controller->importView()->setTextLayout(nullptr);
    clipboard.setText(recipeOfLines(6));
    controller->importView()->insertFromMimeData(&clipboard);
    EXPECT_TRUE(controller->importView()->string().contains("2 cups all-purpose flour"));
    EXPECT_FALSE(controller->importView()->string().contains("old text"));
    ASSERT_EQ(controller->importView()->areaCount(), 1) << "the ingredients, found by themselves";
    EXPECT_EQ(controller->importView()->currentImportAreas().at(0)->key(), "Ingredients");
    EXPECT_TRUE(controller->importButton()->isEnabled()) << "the areas found come with their fields";
    EXPECT_TRUE(controller->cueText()->isVisibleTo(controller->importWindow()));
}

TEST_F(ImportControllerTest, AutomaticAreasNeedLongEnoughBlocks)
{
    const ParsingEngine& engine = ParsingEngine::defaultParsingEngine();
    const struct {
        const char* name;
        QString text;
        qsizetype ingredientsLength; // of the block the engine finds
        qsizetype directionsLength;
        QStringList keys;
    } cases[] = {
        { "ingredients of 39", QStringLiteral("Dinner\n\n2 cups flour\n1 cup sugar\n2 eggs beaten\n\n"), 39,
            0, {} },
        { "ingredients of 40", QStringLiteral("Dinner\n\n2 cups flour\n1 cup sugar\n2 eggs, beaten\n\n"), 40,
            0, { "Ingredients" } },
        { "directions of 25",
            QStringLiteral(
                "Dinner\n\n2 cups flour\n1 cup sugar\n2 eggs, beaten\n\nMethod\nNow for the method\n"
                "1. Add the egg, bake it.\n"),
            40, 25, { "Ingredients" } },
        { "directions of 26",
            QStringLiteral(
                "Dinner\n\n2 cups flour\n1 cup sugar\n2 eggs, beaten\n\nMethod\nNow for the method\n"
                "1. Add the milk, stir it.\n"),
            40, 26, { "Ingredients", "Directions" } },
    };
    for (const auto& c : cases) {
        const QString padded = QStringLiteral("\n\n\n") + c.text + QStringLiteral("\n\n");
        const Range ingredients = engine.rangeOfIngredientsBlockInString(padded);
        ASSERT_EQ(ingredients.length, c.ingredientsLength) << c.name;
        const Range directions = engine.rangeOfDirectionsBlockInString(padded.sliced(maxRange(ingredients)));
        ASSERT_EQ(directions.location == Range::NotFound ? 0 : directions.length, c.directionsLength)
            << c.name;

        auto controller = makeController();
        controller->readString(c.text);
        controller->findAreas();
        QStringList keys;
        for (const auto& area : controller->importView()->currentImportAreas())
            keys.append(area->key());
        EXPECT_EQ(keys, c.keys) << c.name;
    }
}

TEST_F(ImportControllerTest, AnAreaCollectsItsOwnLinesAndSameLabelsMerge)
{
    auto controller = makeController();
    QString text;
    for (int i = 0; i < 8; ++i)
        text += QStringLiteral("line %1 here\n").arg(i);
    setFakeText(*controller, text);
    auto name = addArea(*controller, FakeImportTextLayout::linesRect(0, 0), QStringLiteral("Name"));
    auto first = addArea(*controller, FakeImportTextLayout::linesRect(5, 6), QStringLiteral("Notes"));
    auto second = addArea(*controller, FakeImportTextLayout::linesRect(2, 2), QStringLiteral("Notes"));
    auto undefined
        = ImportArea::areaWithFrame(FakeImportTextLayout::linesRect(3, 3), false, controller->importView());
    controller->importView()->addArea(undefined);

    QVariantMap blocks;
    for (const auto& area : controller->importView()->currentImportAreas())
        controller->addDataFromCurrentArea(area.get(), blocks);

    EXPECT_EQ(blocks.value("Name").toString(), "line 0 here\n");
    // In the order the areas are held; each stops at its own last line.
    EXPECT_EQ(blocks.value("Notes").toString(), "line 5 here\nline 6 here\n\nline 2 here\n");
    EXPECT_EQ(blocks.size(), 2) << "an area without a label collects nothing";
}

TEST_F(ImportControllerTest, AreaOverPartOfALineTakesOnlyWhatLiesInIt)
{
    auto controller = makeController();
    setFakeText(*controller, QStringLiteral("Serves 4 people\n"));
    // Glyphs 7.. of line 0 ("4 people").
    const QRectF frame(FakeImportTextLayout::left + 7 * FakeImportTextLayout::glyphWidth,
        FakeImportTextLayout::top, 8 * FakeImportTextLayout::glyphWidth, FakeImportTextLayout::lineHeight);
    auto area = addArea(*controller, frame, QStringLiteral("Yield"));
    QVariantMap blocks;
    controller->addDataFromCurrentArea(area.get(), blocks);
    EXPECT_EQ(blocks.value("Yield").toString(), "4 people\n");
}

TEST_F(ImportControllerTest, SavingDeletesObjectsMissingMandatoryProperties)
{
    auto errorFor = [](ManagedObject* object, int code) {
        Error error { CoreDataErrors::domain, code, QStringLiteral("invalid"), {} };
        if (object)
            error.userInfo.insert(CoreDataErrors::validationObjectKey, QVariant::fromValue(object));
        return error;
    };
    auto detailOf = [](const Error& error) {
        return QVariantMap { { "code", error.code }, { "userInfo", error.userInfo } };
    };
    struct Case {
        const char* name;
        std::function<QList<Error>(ManagedObject* a, ManagedObject* b)> errors; // one per failed save
        bool saved;
        bool aDeleted;
        bool bDeleted;
        int saves;
    };
    const Case cases[] = {
        { "one missing property",
            [&](ManagedObject* a, ManagedObject*) { return QList<Error> { errorFor(a, 1570) }; }, true, true,
            false, 2 },
        { "several, all missing properties",
            [&](ManagedObject* a, ManagedObject* b) {
                Error multiple { CoreDataErrors::domain, 1560, QStringLiteral("several"), {} };
                multiple.userInfo.insert(CoreDataErrors::detailedErrorsKey,
                    QVariantList { detailOf(errorFor(a, 1570)), detailOf(errorFor(b, 1570)) });
                return QList<Error> { multiple };
            },
            true, true, true, 1 },
        { "several, one of another kind",
            [&](ManagedObject* a, ManagedObject* b) {
                Error multiple { CoreDataErrors::domain, 1560, QStringLiteral("several"), {} };
                multiple.userInfo.insert(CoreDataErrors::detailedErrorsKey,
                    QVariantList { detailOf(errorFor(a, 1570)), detailOf(errorFor(b, 1550)) });
                return QList<Error> { multiple };
            },
            false, true, false, 1 },
        { "another error",
            [&](ManagedObject*, ManagedObject*) { return QList<Error> { errorFor(nullptr, 134030) }; }, false,
            false, false, 1 },
        { "missing property of no object",
            [&](ManagedObject*, ManagedObject*) { return QList<Error> { errorFor(nullptr, 1570) }; }, false,
            false, false, 1 },
    };
    for (const Case& c : cases) {
        ManagedObject* a = insert(QStringLiteral("Note"));
        ManagedObject* b = insert(QStringLiteral("Note"));
        QList<Error> failures = c.errors(a, b);
        int saves = 0;
        auto save = [&](ManagedObjectContext&, Error* error) {
            ++saves;
            if (failures.isEmpty())
                return true;
            *error = failures.takeFirst();
            return false;
        };
        Log::Capture log;
        Error error;
        EXPECT_EQ(ImportController::saveRepairingContext(*context, save, &error), c.saved) << c.name;
        EXPECT_EQ(a->isDeleted(), c.aDeleted) << c.name;
        EXPECT_EQ(b->isDeleted(), c.bDeleted) << c.name;
        EXPECT_EQ(saves, c.saves) << c.name;
        EXPECT_TRUE(log.contains("ImportController: -import: save error")) << c.name;
        context->rollback();
    }
}

TEST_F(ImportControllerTest, AFailedImportTakesItsHalfBuiltRecipeAwayAndSaysSo)
{
    const struct {
        const char* name;
        bool throws;
        bool saveFails;
    } cases[] = {
        { "the importer fails part-way", true, false },
        { "the recipe cannot be saved", false, true },
    };
    for (const auto& c : cases) {
        services.presentedErrors.clear();
        shown.clear();
        outlets.recipeFromTaggedTextBlocks = [&c](const QVariantMap& blocks) {
            RecipeMO* recipe = TaggedTextBlockImporter().recipeFromTaggedTextBlocks(blocks);
            if (c.throws)
                throw std::runtime_error("the ingredient parser broke");
            return recipe;
        };
        outlets.saveContext = [&c](ManagedObjectContext& context, Error* error) {
            if (!c.saveFails)
                return context.save(error);
            *error = Error { CoreDataErrors::domain, CoreDataErrors::PersistentStoreSaveError,
                QStringLiteral("The disk is full."), {} };
            return false;
        };
        auto controller = makeController();
        setFakeText(*controller, QStringLiteral("Pancakes\n2 cups flour\n2 eggs\n"));
        addArea(*controller, FakeImportTextLayout::linesRect(0, 0), QStringLiteral("Name"));
        addArea(*controller, FakeImportTextLayout::linesRect(1, 2), QStringLiteral("Ingredients"));
        controller->importWindow()->show();

        controller->import();

        EXPECT_TRUE(recipesIn(services.imported).isEmpty()) << c.name;
        EXPECT_TRUE(recipesIn(services.library).isEmpty()) << c.name;
        for (ManagedObject* recipe : recipesInStoreContext())
            EXPECT_TRUE(recipe->isDeleted()) << c.name;
        EXPECT_EQ(services.presentedErrors.size(), 1) << c.name;
        EXPECT_TRUE(shown.isEmpty()) << c.name << ": a failure is never shown as success";
        EXPECT_FALSE(controller->importWindow()->isVisible()) << c.name;
        EXPECT_EQ(controller->overlayWindow(), nullptr) << c.name;
        context->rollback();
    }
}

TEST_F(ImportControllerTest, ImportWithoutAreasDoesNothing)
{
    auto controller = makeController();
    controller->readString(recipeOfLines(6));
    controller->importView()->clearAreas();
    Log::Capture log;
    controller->import();
    EXPECT_TRUE(log.contains("No import areas"));
    EXPECT_TRUE(recipesInStoreContext().isEmpty());
    EXPECT_FALSE(controller->importButton()->isEnabled());
}

TEST_F(ImportControllerTest, ImportButtonFollowsTheDefinedAreas)
{
    auto controller = makeController();
    setFakeText(*controller, QStringLiteral("some text\nmore text\n"));
    RecipeImportView* view = controller->importView();
    view->setVisibleRectForTesting(QRectF(0, 0, 600, 600));
    EXPECT_FALSE(controller->canImport());
    EXPECT_EQ(controller->importButton()->toolTip(), "Add at least one Import Area to enable import");

    view->mouseDownAtPoint(QPointF(50, 300));
    view->mouseDraggedToPoint(QPointF(550, 550));
    view->mouseUpAtPoint(QPointF(550, 550));
    ASSERT_EQ(view->areaCount(), 1);
    EXPECT_FALSE(controller->canImport()) << "drawn, but no field chosen";

    auto area = view->currentImportAreas().at(0);
    ASSERT_TRUE(area->gridFits());
    view->mouseDownAtPoint(area->gridCellRect(3).center());
    view->mouseUpAtPoint(area->gridCellRect(3).center());
    EXPECT_EQ(area->key(), "Notes");
    EXPECT_TRUE(controller->canImport());
    EXPECT_TRUE(controller->importButton()->isEnabled());
    EXPECT_EQ(controller->importButton()->toolTip(), "Import selected recipe text");

    view->closeArea(area.get());
    EXPECT_FALSE(controller->canImport());
}

TEST_F(ImportControllerTest, TextFromAnotherProgramOpensTheWindow)
{
    ImportService service(outlets);
    // Nothing usable: the sender hears why and the window is not touched.
    QMimeData picture;
    picture.setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
    QString error;
    {
        Log::Capture log;
        service.importTextFromService(&picture, QString(), &error);
        EXPECT_EQ(error, "Error: Pasteboard doesn't contain a usable string.");
        EXPECT_TRUE(log.contains("error: Error: Pasteboard doesn't contain a usable string."));
    }
    EXPECT_FALSE(service.hasImportController());
    EXPECT_EQ(service.importText(QString()), "Error: Pasteboard doesn't contain a usable string.");

    // White space is text: it opens the window.
    EXPECT_EQ(service.importText(QStringLiteral("   \n")), "");
    ImportController& controller = service.importController();
    EXPECT_TRUE(controller.importWindow()->isVisible());
    EXPECT_TRUE(controller.importView()->string().contains("   "));

    // It replaces what the window held, areas included.
    addArea(controller, QRectF(30, 30, 200, 40), QStringLiteral("Name"));
    EXPECT_EQ(service.importText(recipeOfLines(6)), "");
    EXPECT_TRUE(controller.importView()->string().contains("Sugar Cookies"));
    ASSERT_EQ(controller.importView()->areaCount(), 1);
    EXPECT_EQ(controller.importView()->currentImportAreas().at(0)->key(), "Ingredients");
}

} // namespace
