#include "RecipeMO.h"

#include "BaseMOAdditions.h"
#include "DirectionMO.h"
#include "Log.h"
#include "ModelStoreFixture.h"
#include "UserDefaults.h"

#include <thread>

namespace
{

class RecipeMOTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        library = makeCollection("RBCollectionKindMainLibrary");
        library->setPrimitiveValue("Recipe Library", "name");
    }

    RecipeMO* newRecipe(ManagedObjectContext* in = nullptr)
    {
        auto* recipe = dynamic_cast<RecipeMO*>(insert("Recipe", in));
        EXPECT_TRUE(recipe);
        return recipe;
    }

    // Directions of the recipe as "index:text", in list order.
    static QStringList directions(const RecipeMO* recipe)
    {
        QStringList result;
        for (ManagedObject* item : recipe->sortedItemsForKey("directions"))
            result.append(item->valueForKey("index").toString() + ":" + item->valueForKey("text").toString());
        return result;
    }

    // Gives the recipe exactly these directions, indexed 1..n.
    void setDirections(RecipeMO* recipe, const QStringList& texts)
    {
        for (ManagedObject* item : recipe->objectsForKey("directions"))
            dynamic_cast<BaseMO*>(item)->deleteFromManagedObjectContext();
        int index = 0;
        for (const QString& text : texts) {
            ManagedObject* item = insert("Direction", recipe->managedObjectContext());
            item->setValueForKey(++index, "index");
            item->setValueForKey(text, "text");
            item->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), "recipe");
        }
    }

    static QList<ManagedObject*> collectionsOf(const ManagedObject* recipe)
    {
        return recipe->objectsForKey("collections");
    }

    ManagedObject* library = nullptr;
};

// A key-value object that stands for a managed object, as a controller's selection does.
class Proxy : public KeyValueCoding
{
public:
    explicit Proxy(QVariant id)
        : m_id(std::move(id))
    {
    }
    QVariant valueForKey(const QString& key) const override { return key == "objectID" ? m_id : QVariant(); }

private:
    QVariant m_id;
};

} // namespace

TEST_F(RecipeMOTest, NewRecipeHasItsDefaultsAndJoinsTheLibraryOnTheNextTurn)
{
    RecipeMO* recipe = newRecipe();
    EXPECT_EQ(recipe->valueForKey("name").toString(), "Untitled Recipe");
    for (const char* key : { "ingredients", "directions", "notes" }) {
        const QList<ManagedObject*> items = recipe->objectsForKey(key);
        ASSERT_EQ(items.size(), 1) << key;
        EXPECT_EQ(items.first()->valueForKey("index").toInt(), 1) << key;
        EXPECT_EQ(items.first()->objectForKey("recipe"), recipe) << key;
    }
    EXPECT_TRUE(recipe->objectForKey("image"));
    EXPECT_EQ(recipe->valueForKey("totalTime"), QVariant(QString("")));
    EXPECT_TRUE(recipe->valueForKey("defaultValues").toBool());
    EXPECT_TRUE(recipe->valueForKey("dateAdded").toDateTime().isValid());
    EXPECT_FALSE(recipe->valueForKey("share").toBool());

    EXPECT_TRUE(collectionsOf(recipe).isEmpty());
    clock.advance(0);
    EXPECT_EQ(collectionsOf(recipe), QList<ManagedObject*> { library });
    EXPECT_TRUE(save());
}

TEST_F(RecipeMOTest, AutoShareDefaultDecidesTheFirstSharingChoice)
{
    defaults.defaults().setBool(true, KRAutoShareRecipes);
    RecipeMO* recipe = newRecipe();
    EXPECT_TRUE(recipe->valueForKey("share").toBool());
    EXPECT_FALSE(recipe->valueForKey("changedSharing").toBool());
}

// A recipe made in another context and saved before that context's run loop turned is still
// filed in the library, found in its own context.
TEST_F(RecipeMOTest, RecipeSavedFromAnotherContextJoinsTheLibrary)
{
    ASSERT_TRUE(save());
    std::thread worker([this] {
        std::unique_ptr<ManagedObjectContext> background = newContext();
        RecipeMO* recipe = newRecipe(background.get());
        recipe->setValueForKey("From the reader", "name");
        Error error;
        ASSERT_TRUE(background->save(&error)) << error.localizedDescription.toStdString();
        const QList<ManagedObject*> collections = collectionsOf(recipe);
        ASSERT_EQ(collections.size(), 1);
        EXPECT_EQ(collections.first()->objectID(), library->objectID());
    });
    worker.join();
    clock.advance(0);

    openStack();
    const QList<ManagedObject*> recipes = fetchAll("Recipe");
    ASSERT_EQ(recipes.size(), 1);
    const QList<ManagedObject*> collections = collectionsOf(recipes.first());
    ASSERT_EQ(collections.size(), 1);
    EXPECT_EQ(collections.first()->valueForKey("kind").toString(), "RBCollectionKindMainLibrary");
}

TEST_F(RecipeMOTest, FetchRestoresPlaceholdersAndDropsExtraEmptyItems)
{
    RecipeMO* recipe = newRecipe();
    clock.advance(0);
    setDirections(recipe, { "", "Chop.", "", "Boil." });
    for (ManagedObject* note : recipe->objectsForKey("notes"))
        dynamic_cast<BaseMO*>(note)->deleteFromManagedObjectContext();
    context->deleteObject(recipe->objectForKey("image"));
    recipe->setValueForKey(QVariant(), "image");
    recipe->setValueForKey(QVariant(), "totalTime");
    ASSERT_TRUE(save());

    openStack();
    const QList<ManagedObject*> recipes = fetchAll("Recipe");
    ASSERT_EQ(recipes.size(), 1);
    auto* fetched = dynamic_cast<RecipeMO*>(recipes.first());
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->valueForKey("totalTime"), QVariant(QString("")));
    ASSERT_EQ(fetched->objectsForKey("notes").size(), 1);
    EXPECT_EQ(fetched->objectsForKey("notes").first()->valueForKey("index").toInt(), 1);
    EXPECT_EQ(directions(fetched).size(), 4);

    clock.advance(0);
    EXPECT_EQ(directions(fetched), (QStringList { "1:", "2:Chop.", "3:Boil." }));
    EXPECT_TRUE(fetched->objectForKey("image"));
    EXPECT_TRUE(save());
}

TEST_F(RecipeMOTest, AddingAnItemMovesTheLaterOnesUp)
{
    const struct {
        QStringList before;
        quint64 index;
        quint64 used;
        QStringList after;
    } rows[] = {
        { { "a", "b" }, 10, 3, { "1:a", "2:b", "3:" } },
        { { "a", "b", "c" }, 1, 1, { "1:", "2:a", "3:b", "4:c" } },
        { { "a", "b", "c" }, 2, 2, { "1:a", "2:", "3:b", "4:c" } },
        { { "a", "b" }, 0, 1, { "1:", "2:a", "3:b" } },
    };
    for (const auto& row : rows) {
        RecipeMO* recipe = newRecipe();
        setDirections(recipe, row.before);
        quint64 used = 0;
        recipe->addInstanceOfClass("DirectionMO", row.index, &used);
        EXPECT_EQ(used, row.used) << row.index;
        EXPECT_EQ(directions(recipe), row.after) << row.index;
    }
}

TEST_F(RecipeMOTest, RemovingAnItemRenumbersAndNeverLeavesTheListEmpty)
{
    RecipeMO* recipe = newRecipe();
    setDirections(recipe, { "only" });
    recipe->setDirty(false);
    recipe->removeInstanceOfClass("DirectionMO", 1);
    EXPECT_EQ(directions(recipe), QStringList { "1:" });
    EXPECT_TRUE(recipe->isDirty());

    setDirections(recipe, { "a", "b", "c" });
    recipe->removeInstanceOfClass("DirectionMO", 2);
    EXPECT_EQ(directions(recipe), (QStringList { "1:a", "2:c" }));

    recipe->setDirty(false);
    recipe->removeInstanceOfClass("DirectionMO", 9);
    EXPECT_EQ(directions(recipe), (QStringList { "1:a", "2:c" }));
    EXPECT_TRUE(recipe->isDirty());

    recipe->removeInstanceOfClass("NoteMO", 1);
    ASSERT_EQ(recipe->objectsForKey("notes").size(), 1);
    EXPECT_EQ(recipe->objectsForKey("notes").first()->valueForKey("index").toInt(), 1);
    ASSERT_TRUE(save());
}

TEST_F(RecipeMOTest, UnsupportedItemClassesChangeNothing)
{
    RecipeMO* recipe = newRecipe();
    const int inserted = context->insertedObjects().size();
    Log::Capture capture;
    recipe->addInstanceOfClass("CommentMO", 2);
    recipe->removeInstanceOfClass("CommentMO", 3);
    EXPECT_TRUE(capture.contains("Unsupported add of class: CommentMO with index: 2"));
    EXPECT_TRUE(capture.contains("Unsupported removal of class: CommentMO with index: 3"));
    EXPECT_EQ(context->insertedObjects().size(), inserted);
}

TEST_F(RecipeMOTest, ExtraPlaceholdersGoButTheFirstItemStays)
{
    RecipeMO* recipe = newRecipe();
    setDirections(recipe, { "", "a", "", "b" });
    recipe->removeExtraPlaceholders();
    EXPECT_EQ(directions(recipe), (QStringList { "1:", "2:a", "3:b" }));
}

TEST_F(RecipeMOTest, LeavingEditModeDropsTheEmptyItemsEditingAdded)
{
    RecipeMO* recipe = newRecipe();
    recipe->setValueForKey(true, "editing");
    setDirections(recipe, { "a", "", "b", "" });
    recipe->setCached(true);
    recipe->setValueForKey(true, "editing");
    EXPECT_EQ(directions(recipe).size(), 4);
    EXPECT_TRUE(recipe->isCached());

    recipe->setValueForKey(false, "editing");
    EXPECT_FALSE(recipe->isCached());
    EXPECT_EQ(directions(recipe), (QStringList { "1:a", "2:b" }));
    EXPECT_FALSE(recipe->valueForKey("editing").toBool());
}

TEST_F(RecipeMOTest, RatingStaysWithinZeroToFive)
{
    RecipeMO* recipe = newRecipe();
    const struct {
        double given;
        double stored;
    } rows[] = { { 7, 5 }, { -1, 0 }, { 3.5, 3.5 }, { 5, 5 }, { 0, 0 } };
    for (const auto& row : rows) {
        recipe->setRatingValue(row.given);
        EXPECT_DOUBLE_EQ(recipe->valueForKey("rating").toDouble(), row.stored) << row.given;
    }
    EXPECT_FALSE(recipe->valueForKey("ratedLocally").toBool());
}

TEST_F(RecipeMOTest, UserRatingIsOneUndoableChange)
{
    RecipeMO* recipe = newRecipe();
    clock.advance(0);
    ASSERT_TRUE(save());
    undoManager.removeAllActions();
    recipe->setDirty(false);

    recipe->setValueForKey(4, "rating");
    EXPECT_DOUBLE_EQ(recipe->valueForKey("rating").toDouble(), 4);
    EXPECT_TRUE(recipe->valueForKey("ratedLocally").toBool());
    EXPECT_TRUE(recipe->valueForKey("changedRating").toBool());
    EXPECT_TRUE(recipe->isDirty());

    context->processPendingChanges();
    ASSERT_TRUE(undoManager.canUndo());
    undoManager.undo();
    EXPECT_DOUBLE_EQ(recipe->valueForKey("rating").toDouble(), 0);
    EXPECT_FALSE(recipe->valueForKey("ratedLocally").toBool());
    EXPECT_FALSE(recipe->valueForKey("changedRating").toBool());
}

TEST_F(RecipeMOTest, SharingChoiceIsMarkedChangedButLeavesTheCard)
{
    RecipeMO* recipe = newRecipe();
    recipe->setDirty(false);
    recipe->setValueForKey(true, "share");
    EXPECT_TRUE(recipe->valueForKey("share").toBool());
    EXPECT_TRUE(recipe->valueForKey("changedSharing").toBool());
    EXPECT_FALSE(recipe->isDirty());
}

TEST_F(RecipeMOTest, NameNeverStaysEmpty)
{
    RecipeMO* recipe = newRecipe();
    recipe->setDirty(false);
    recipe->setValueForKey("Soup", "name");
    EXPECT_EQ(recipe->valueForKey("name").toString(), "Soup");
    EXPECT_TRUE(recipe->isDirty());
    for (const QVariant& empty : { QVariant(), QVariant(QString()), QVariant(QString("(null)")) }) {
        recipe->setValueForKey(empty, "name");
        EXPECT_EQ(recipe->valueForKey("name").toString(), "Untitled Recipe");
    }
}

TEST_F(RecipeMOTest, KitchenCategoryAndCuisineFromText)
{
    ManagedObject* kitchen = insertNamed("Kitchen", "Grandma");
    RecipeMO* recipe = newRecipe();
    recipe->setDirty(false);
    recipe->setValueForKey("Grandma", "kitchen");
    EXPECT_EQ(recipe->objectForKey("kitchen"), kitchen);
    EXPECT_TRUE(recipe->isDirty());

    recipe->setValueForKey("Dessert", "category");
    recipe->setValueForKey("French", "cuisine");
    EXPECT_EQ(recipe->valueForKeyPath("category.name").toString(), "Dessert");
    EXPECT_EQ(recipe->valueForKeyPath("cuisine.name").toString(), "French");
    EXPECT_EQ(fetchAll("Category").size(), 1);

    recipe->setValueForKey(QVariant(), "kitchen");
    EXPECT_EQ(recipe->objectForKey("kitchen"), nullptr);
    EXPECT_TRUE(kitchen->objectsForKey("recipes").isEmpty());
}

TEST_F(RecipeMOTest, CookCountAndDirtyFlagAreNotUndoable)
{
    RecipeMO* recipe = newRecipe();
    clock.advance(0);
    ASSERT_TRUE(save());
    undoManager.removeAllActions();
    recipe->incrementCookCount();
    recipe->incrementCookCount();
    BaseMOAdditions::refreshDisplayString(recipe);
    context->processPendingChanges();
    EXPECT_EQ(recipe->valueForKey("cookCount").toInt(), 2);
    EXPECT_TRUE(recipe->valueForKey("dirty").toBool());
    EXPECT_FALSE(undoManager.canUndo());
}

TEST_F(RecipeMOTest, ScalingTheYieldScalesItsWholeNumber)
{
    const struct {
        QString yield;
        QString factor;
        QString scaled;
    } rows[] = {
        { "4 servings", "2", "8 servings" },
        { "Makes 12 muffins", "0.5", "Makes 6 muffins" },
        { "1.5 loaves", "2", "3 loaves" },
        { "about 1 1/2 cups", "2", "about 3 cups" },
        { "3/4 cup", "2", "1.5 cup" },
        { "serves a crowd", "2", "serves a crowd" },
        { "", "2", "" },
    };
    for (const auto& row : rows) {
        RecipeMO* recipe = newRecipe();
        recipe->setValueForKey(row.yield, "yield");
        recipe->setDirty(false);
        recipe->scaleByFactor(Decimal::decimalNumberWithString(row.factor));
        EXPECT_EQ(recipe->valueForKey("yield").toString(), row.scaled) << row.yield.toStdString();
        EXPECT_TRUE(recipe->isDirty());
    }
}

TEST_F(RecipeMOTest, ScalingByZeroChangesNothing)
{
    RecipeMO* recipe = newRecipe();
    recipe->setValueForKey("4 servings", "yield");
    clock.advance(0);
    ASSERT_TRUE(save());
    undoManager.removeAllActions();
    recipe->setDirty(false);
    recipe->scaleByFactor(Decimal::zero());
    context->processPendingChanges();
    EXPECT_EQ(recipe->valueForKey("yield").toString(), "4 servings");
    EXPECT_FALSE(recipe->isDirty());
    EXPECT_FALSE(undoManager.canUndo());
}

TEST_F(RecipeMOTest, UserCollectionsBringTheLibraryAlong)
{
    ManagedObject* favourites = makeCollection("RBCollectionKindManualCollection");
    ManagedObject* cache = makeCollection("RBCollectionKindSearchCache");
    RecipeMO* recipe = newRecipe();
    RecipeMO* found = newRecipe();
    recipe->addCollectionsObject(favourites);
    EXPECT_TRUE(collectionsOf(recipe).contains(favourites));
    EXPECT_TRUE(collectionsOf(recipe).contains(library));
    EXPECT_TRUE(library->objectsForKey("recipes").contains(recipe));

    found->setValueForKey(QVariantList { QVariant::fromValue(cache) }, "collections");
    EXPECT_EQ(collectionsOf(found), QList<ManagedObject*> { cache });
    clock.advance(0);
    EXPECT_EQ(collectionsOf(found), QList<ManagedObject*> { cache });
}

TEST_F(RecipeMOTest, LeavingTheLibraryDeletesTheRecipeUnlessTheSearchCacheHoldsIt)
{
    ManagedObject* favourites = makeCollection("RBCollectionKindManualCollection");
    ManagedObject* cache = makeCollection("RBCollectionKindSearchCache");
    RecipeMO* kept = newRecipe();
    RecipeMO* gone = newRecipe();
    clock.advance(0);
    kept->addCollectionsObject(cache);
    kept->addCollectionsObject(favourites);
    gone->addCollectionsObject(favourites);

    kept->removeCollectionsObject(library);
    EXPECT_FALSE(kept->isDeleted());
    EXPECT_EQ(collectionsOf(kept), QList<ManagedObject*> { cache });
    EXPECT_EQ(services.updateSmartCollectionsCount, 1);

    gone->setValueForKey(QVariantList { QVariant::fromValue(favourites) }, "collections");
    EXPECT_TRUE(gone->isDeleted());
    EXPECT_EQ(services.updateSmartCollectionsCount, 2);
    ASSERT_TRUE(save());
    EXPECT_EQ(fetchAll("Recipe").size(), 1);
}

TEST_F(RecipeMOTest, ClearDefaultsLeavesAnEmptyRecipeForAReader)
{
    RecipeMO* recipe = newRecipe();
    recipe->setValueForKey("Thai", "cuisine");
    clock.advance(0);
    recipe->clearDefaults();
    for (const char* key : { "ingredients", "directions", "notes", "collections" })
        EXPECT_TRUE(recipe->objectsForKey(key).isEmpty()) << key;
    EXPECT_EQ(recipe->objectForKey("cuisine"), nullptr);
    EXPECT_FALSE(recipe->valueForKey("defaultValues").toBool());
    EXPECT_FALSE(recipe->isDeleted());
}

TEST_F(RecipeMOTest, ProxiesResolveToTheMainContextsObject)
{
    RecipeMO* recipe = newRecipe();
    clock.advance(0);
    ASSERT_TRUE(save());
    EXPECT_EQ(RecipeMO::managedObjectForProxy(QVariant()), nullptr);
    EXPECT_EQ(RecipeMO::managedObjectForProxy(QVariant::fromValue<ManagedObject*>(recipe)), recipe);
    Proxy proxy(QVariant::fromValue(recipe->objectID()));
    EXPECT_EQ(RecipeMO::managedObjectForProxy(QVariant::fromValue<KeyValueCoding*>(&proxy)), recipe);
    Proxy stranger(QVariant("not an id"));
    EXPECT_EQ(RecipeMO::managedObjectForProxy(QVariant::fromValue<KeyValueCoding*>(&stranger)), nullptr);
}

TEST_F(RecipeMOTest, CardObserversHearOfTheFieldsItShows)
{
    RecipeMO* recipe = newRecipe();
    int heard = 0;
    recipe->addObserver("attributedString",
        [&](ManagedObject*, const QString&, const QVariant&, const QVariant&) { ++heard; });
    recipe->setValueForKey("Stew", "name");
    const int afterName = heard;
    EXPECT_GE(afterName, 1);
    recipe->setValueForKey("2 hours", "cookTime");
    EXPECT_GT(heard, afterName);
}

TEST_F(RecipeMOTest, AddingAnItemIsOneUndoStep)
{
    RecipeMO* recipe = newRecipe();
    setDirections(recipe, { "a", "b" });
    clock.advance(0);
    ASSERT_TRUE(save());
    undoManager.removeAllActions();

    recipe->addInstanceOfClass("DirectionMO", 1);
    context->processPendingChanges();
    EXPECT_EQ(directions(recipe), (QStringList { "1:", "2:a", "3:b" }));
    ASSERT_TRUE(undoManager.canUndo());
    undoManager.undo();
    context->processPendingChanges();
    EXPECT_EQ(directions(recipe), (QStringList { "1:a", "2:b" }));
    EXPECT_FALSE(undoManager.canUndo());
}

TEST_F(RecipeMOTest, TurningIntoAFaultDropsTheCachedCard)
{
    RecipeMO* recipe = newRecipe();
    clock.advance(0);
    ASSERT_TRUE(save());
    recipe->setCachedAttributedString(AttributedString("card"));
    recipe->setCached(true);
    context->refreshObject(recipe, false);
    EXPECT_FALSE(recipe->isCached());
    EXPECT_FALSE(recipe->cachedAttributedString().has_value());
    EXPECT_EQ(recipe->valueForKey("name").toString(), "Untitled Recipe");
}
