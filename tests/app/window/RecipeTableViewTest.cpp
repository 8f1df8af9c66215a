#include "RecipeTableView.h"

#include "KitchoraController.h"
#include "ManualCollection.h"
#include "ModelStoreFixture.h"
#include "RecipeListModel.h"
#include "RecipeMO.h"
#include "RecipePasteboard.h"
#include "RecipeTableDelegate.h"
#include "RecordingPresenter.h"
#include "SFHFRatingCell.h"
#include "SmartCollection.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace
{

// The recipe list as the library window builds it, over a small library on the offscreen platform.
class RecipeTableViewTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        defaults.defaults().setBool(false, KRConfirmsRecipeDelete);
        library = static_cast<ManualCollection*>(makeCollection(KRCollectionKindMainLibrary));
        manual = static_cast<ManualCollection*>(makeCollection(KRCollectionKindManualCollection));
        for (const char* name : { "Soup", "Bread", "Pie" }) {
            auto* recipe
                = static_cast<RecipeMO*>(insertNamed(QStringLiteral("Recipe"), QString::fromLatin1(name)));
            recipe->addCollectionsObject(manual);
            recipes.append(recipe);
        }
        context->processPendingChanges();

        RecipeArrayController::Outlets outlets;
        outlets.selectedCollection = [this] { return selected; };
        outlets.presenter = &presenter;
        controller = std::make_unique<RecipeArrayController>(std::move(outlets));
        controller->setSortDescriptors({ SortDescriptor(QStringLiteral("name")) });
        model = std::make_unique<RecipeListModel>(*controller);
        view = std::make_unique<RecipeTableView>();
        view->setSelectedCollection([this] { return selected; });
        view->bindContent(controller.get(), QStringLiteral("arrangedObjects"), model.get());
        view->resize(500, 300);
        view->show();
        select(manual);
    }

    void TearDown() override
    {
        view.reset();
        model.reset();
        controller.reset();
        ModelStoreFixture::TearDown();
    }

    void select(ManagedObject* collection)
    {
        selected = collection;
        controller->setCollection(collection);
    }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(view.get(), &event);
    }

    ManualCollection* library = nullptr;
    ManualCollection* manual = nullptr;
    ManagedObject* selected = nullptr;
    QList<RecipeMO*> recipes; // Soup, Bread, Pie
    RecordingPresenter presenter;
    std::unique_ptr<RecipeArrayController> controller;
    std::unique_ptr<RecipeListModel> model;
    std::unique_ptr<RecipeTableView> view;
};

} // namespace

TEST_F(RecipeTableViewTest, DeleteKeyTakesTheSelectedRecipesOutOfTheCollection)
{
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), QStringLiteral("Bread"));
    view->selectRow(0);
    EXPECT_EQ(controller->selectedRecipes(), QList<ManagedObject*> { recipes[1] });

    // Shift-Delete is another key.
    press(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(model->rowCount(), 3);

    press(Qt::Key_Backspace);
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_FALSE(manual->recipes().contains(recipes[1]));
    EXPECT_TRUE(library->recipes().contains(recipes[1]));
    EXPECT_FALSE(recipes[1]->isDeleted());

    // With nothing selected the key only beeps.
    view->clearSelection();
    press(Qt::Key_Delete);
    EXPECT_EQ(model->rowCount(), 2);

    // A smart collection refuses before anything is asked or removed.
    defaults.defaults().setBool(true, KRConfirmsRecipeDelete);
    auto* smart = static_cast<SmartCollection*>(insert(QStringLiteral("SmartCollection")));
    smart->setPredicate(std::nullopt);
    select(smart);
    ASSERT_EQ(model->rowCount(), 3);
    view->selectRow(1);
    press(Qt::Key_Delete);
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_TRUE(presenter.alerts.isEmpty());
}

TEST_F(RecipeTableViewTest, DraggedRowsCarryTheirRecipesObjectURIs)
{
    const QModelIndexList two { model->index(0, 0), model->index(0, 1), model->index(2, 0) };
    std::unique_ptr<QMimeData> data(model->mimeData(two));
    ASSERT_TRUE(data);
    EXPECT_EQ(RecipePasteboard::readRecipeURIs(*data),
        (QList<QUrl> {
            recipes[1]->objectID().URIRepresentation(), recipes[0]->objectID().URIRepresentation() }));
    EXPECT_FALSE(RecipePasteboard::hasURL(*data)) << "several recipes have no single URL";

    std::unique_ptr<QMimeData> one(model->mimeData({ model->index(1, 0) }));
    ASSERT_TRUE(one);
    EXPECT_EQ(RecipePasteboard::readURL(*one), recipes[2]->objectID().URIRepresentation());
    EXPECT_EQ(RecipePasteboard::readRecipeURIs(*one).size(), 1);
    EXPECT_EQ(model->mimeData({}), nullptr);
}

TEST_F(RecipeTableViewTest, AnotherRowWritesTheEditedCardBackBeforeItIsSelected)
{
    view->selectRow(0);
    int writeBacks = 0;
    RecipeTableDelegate::Outlets outlets;
    outlets.recipeAtRow = [this](qsizetype row) { return controller->recipeAt(row); };
    outlets.pageIsEditing = [] { return true; };
    outlets.writeEditedCardBack = [&] {
        ++writeBacks;
        EXPECT_EQ(controller->selectionIndexes().size(), 1) << "the old selection still stands";
    };
    RecipeTableDelegate delegate(std::move(outlets));
    view->setTableDelegate(&delegate);
    auto click = [&](int row) {
        const QPointF at = view->visualRect(model->index(row, 0)).center();
        QMouseEvent down(QEvent::MouseButtonPress, at, view->viewport()->mapToGlobal(at), Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &down);
        QMouseEvent up(QEvent::MouseButtonRelease, at, view->viewport()->mapToGlobal(at), Qt::LeftButton,
            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &up);
    };
    click(0); // the row already selected
    EXPECT_EQ(writeBacks, 0);
    click(2);
    EXPECT_EQ(writeBacks, 1);
    EXPECT_EQ(controller->selectionIndexes(), QList<qsizetype>({ 2 }));
    press(Qt::Key_Up);
    EXPECT_EQ(writeBacks, 2);
    EXPECT_EQ(controller->selectionIndexes(), QList<qsizetype>({ 1 }));
    view->setTableDelegate(nullptr);
}

TEST_F(RecipeTableViewTest, StarsWriteTheRatingAndHeadersSort)
{
    const int rating = model->columnWithIdentifier(RecipeListModel::ratingColumn);
    ASSERT_GE(rating, 0);
    EXPECT_TRUE(qobject_cast<SFHFRatingCell*>(view->itemDelegateForColumn(rating)));
    EXPECT_TRUE(model->flags(model->index(0, rating)) & Qt::ItemIsEditable);
    ASSERT_TRUE(model->setData(model->index(0, rating), 4, Qt::EditRole));
    EXPECT_EQ(recipes[1]->valueForKey(QStringLiteral("rating")).toDouble(), 4.0);

    view->selectRow(1);
    view->sortByColumn(rating, Qt::DescendingOrder);
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), QStringLiteral("Bread"));
    ASSERT_EQ(controller->sortDescriptors().size(), 2);
    EXPECT_EQ(controller->sortDescriptors().at(0), SortDescriptor(QStringLiteral("rating"), false));
    EXPECT_EQ(controller->sortDescriptors().at(1), SortDescriptor(QStringLiteral("name")));
    // Pie stays selected wherever it went.
    EXPECT_EQ(controller->selectedRecipes(), QList<ManagedObject*> { recipes[2] });
    EXPECT_EQ(view->selectedRows(), QList<int> { int(controller->indexOfRecipe(recipes[2])) });

    // The date column the source list adds draws with the resizing date cell.
    model->addColumn(
        { QStringLiteral("dateAddedCID"), QStringLiteral("Added"), QStringLiteral("dateAdded"), QString(),
            SortDescriptor(QStringLiteral("dateAdded"), false), ArrangedObjectsModel::CellKind::Date, 66 });
    EXPECT_TRUE(view->itemDelegateForColumn(model->columnCount() - 1));
    EXPECT_TRUE(model->removeColumn(QStringLiteral("dateAddedCID")));
    EXPECT_FALSE(model->removeColumn(QStringLiteral("dateAddedCID")));
}

TEST_F(RecipeTableViewTest, CompletionsOfferStoredNamesOfTheColumnsEntity)
{
    for (const char* name : { "Cake", "Candy", "Soup" })
        insertNamed(QStringLiteral("Category"), QString::fromLatin1(name));
    ASSERT_TRUE(context->save());
    const struct {
        const char* sortKey;
        const char* partial;
        QStringList proposed;
        std::optional<QStringList> expected;
    } cases[] = {
        { "name", "Ca", { "x", "y" }, std::nullopt },
        // The typed text leads the stored names that complete it.
        { "category.name", "Ca", {}, QStringList { "Ca", "Cake", "Candy" } },
        { "category.name", "So", {}, QStringList { "So", "Soup" } },
        { "category.name", "Zu", {}, std::nullopt },
        { "cookCount", "x", { "x1", "x2" }, QStringList { "x1", "x2" } },
        { "cookCount", "x", { "x1" }, std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.sortKey) + " " + c.partial);
        std::optional<QStringList> found = DeletableTableView::completions(
            controller.get(), 0, QString::fromLatin1(c.sortKey), QString::fromLatin1(c.partial), c.proposed);
        if (found)
            found->sort();
        EXPECT_EQ(found, c.expected);
    }
}
