#include "CollectionFixture.h"
#include "Log.h"

namespace
{

class SmartCollectionTest : public CollectionFixture
{
protected:
    SmartCollection* smart(const std::optional<Predicate>& p = std::nullopt)
    {
        auto* collection
            = insert<SmartCollection>(QStringLiteral("SmartCollection"), KRCollectionKindSmartCollection);
        if (p)
            collection->setPredicate(p);
        return collection;
    }

    static QStringList recipeNames(SmartCollection* collection) { return names(collection->recipes()); }
};

TEST_F(SmartCollectionTest, WithoutAPredicateItHoldsEveryRecipe)
{
    recipe(QStringLiteral("Soup"));
    recipe(QStringLiteral("Stew"));
    save();
    SmartCollection* collection = smart();
    collection->setPredicate(predicate(QStringLiteral("name == 'Soup'")));
    collection->setPredicate(std::nullopt);
    EXPECT_EQ(collection->predicate(), Predicate::truePredicate());
    EXPECT_EQ(recipeNames(collection), (QStringList { QStringLiteral("Soup"), QStringLiteral("Stew") }));
    EXPECT_EQ(collection->summaryString(), QStringLiteral("2 recipes, 0.67 days"));
}

TEST_F(SmartCollectionTest, HoldsTheRecipesThatMatchAndSaysSoThroughKeyValueCoding)
{
    recipe(QStringLiteral("Soup"));
    recipe(QStringLiteral("Stew"));
    recipe(QStringLiteral("Salad"));
    SmartCollection* collection = smart(predicate(QStringLiteral("name BEGINSWITH 'S' AND name != 'Salad'")));
    EXPECT_EQ(collection->summaryString(), QStringLiteral("0 recipes, 0.00 days")); // nothing asked yet
    const QVariantList viaKey = collection->valueForKey(QStringLiteral("recipes")).toList();
    EXPECT_EQ(viaKey.size(), 2);
    EXPECT_EQ(recipeNames(collection), (QStringList { QStringLiteral("Soup"), QStringLiteral("Stew") }));
    EXPECT_EQ(collection->summaryString(), QStringLiteral("2 recipes, 0.67 days"));
    // The result is the predicate's to decide.
    collection->setValueForKey(QVariantList(), QStringLiteral("recipes"));
    EXPECT_EQ(collection->recipes().size(), 2);
}

TEST_F(SmartCollectionTest, ThePredicateSurvivesASaveAsText)
{
    const QDateTime cutoff(QDate(2024, 5, 1), QTime(0, 0), Qt::UTC);
    ManagedObject* cooked = recipe(QStringLiteral("Soup"));
    cooked->setValueForKey(cutoff.addDays(3), QStringLiteral("dateCooked"));
    ManagedObject* old = recipe(QStringLiteral("Stew"));
    old->setValueForKey(cutoff.addDays(-3), QStringLiteral("dateCooked"));
    auto* library = insert<ManualCollection>(QStringLiteral("ManualCollection"), KRCollectionKindMainLibrary);
    library->addRecipesObject(cooked);
    library->addRecipesObject(old);
    auto* cache = insert<ManualCollection>(QStringLiteral("ManualCollection"), KRCollectionKindSearchCache);
    ManagedObject* cachedOnly = recipe(QStringLiteral("Web soup"));
    cachedOnly->setValueForKey(cutoff.addDays(5), QStringLiteral("dateCooked"));
    cache->addRecipesObject(cachedOnly);
    const Predicate recentlyCooked
        = Predicate::andPredicateWithSubpredicates({ predicate(QStringLiteral("dateCooked > %@"), { cutoff }),
            predicate(QStringLiteral("ANY collections.kind != %@"), { KRCollectionKindSearchCache }) });
    SmartCollection* collection = smart(recentlyCooked);
    collection->setName(QStringLiteral("Recently Cooked"));
    save();

    open();
    auto fetched = context->executeFetchRequest(
        FetchRequest::fetchRequestWithEntityName(QStringLiteral("SmartCollection")));
    ASSERT_TRUE(fetched);
    ASSERT_EQ(fetched->size(), 1);
    auto* reloaded = dynamic_cast<SmartCollection*>(fetched->first());
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(reloaded->predicate(), recentlyCooked);
    EXPECT_EQ(recipeNames(reloaded), QStringList { QStringLiteral("Soup") });
}

TEST_F(SmartCollectionTest, SettingAnEqualPredicateChangesNothing)
{
    const Predicate soups = predicate(QStringLiteral("name CONTAINS 'Soup'"));
    SmartCollection* collection = smart(soups);
    auto heard = countChanges(collection, QStringLiteral("recipes"));
    collection->setPredicate(soups);
    EXPECT_EQ(*heard, 0);
    collection->setPredicate(predicate(QStringLiteral("name CONTAINS 'Stew'")));
    EXPECT_EQ(*heard, 1);
}

TEST_F(SmartCollectionTest, ChangesToOtherEntitiesKeepTheCachedResult)
{
    ManagedObject* soup = recipe(QStringLiteral("Soup"));
    ManagedObject* onion
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Ingredient"), context.get());
    onion->setValueForKey(QStringLiteral("onion"), QStringLiteral("name"));
    save();
    SmartCollection* collection = smart();
    context->processPendingChanges();
    ASSERT_EQ(recipeNames(collection), QStringList { QStringLiteral("Soup") });
    auto heard = countChanges(collection, QStringLiteral("recipes"));

    onion->setValueForKey(QStringLiteral("red onion"), QStringLiteral("name"));
    insert<ManualCollection>(QStringLiteral("ManualCollection"));
    context->processPendingChanges();
    EXPECT_EQ(*heard, 0);

    // A deleted recipe simply leaves the cached result.
    context->deleteObject(soup);
    context->processPendingChanges();
    EXPECT_EQ(*heard, 0);
    EXPECT_TRUE(collection->recipes().isEmpty());
}

TEST_F(SmartCollectionTest, NewAndChangedRecipesRefetch)
{
    recipe(QStringLiteral("Soup"));
    SmartCollection* collection = smart(predicate(QStringLiteral("name CONTAINS 'o'")));
    context->processPendingChanges();
    ASSERT_EQ(recipeNames(collection), QStringList { QStringLiteral("Soup") });
    auto heardSummary = countChanges(collection, QStringLiteral("summaryString"));

    ManagedObject* broth = recipe(QStringLiteral("Broth"));
    context->processPendingChanges();
    EXPECT_EQ(*heardSummary, 1);
    EXPECT_EQ(recipeNames(collection), (QStringList { QStringLiteral("Broth"), QStringLiteral("Soup") }));

    save();
    broth->setValueForKey(QStringLiteral("Salad"), QStringLiteral("name"));
    context->processPendingChanges();
    EXPECT_EQ(recipeNames(collection), QStringList { QStringLiteral("Soup") });
}

TEST_F(SmartCollectionTest, AFailedFetchGivesAnEmptyResultOnce)
{
    recipe(QStringLiteral("Soup"));
    save();
    SmartCollection* collection = smart(predicate(QStringLiteral("noSuchKey == 1")));
    Log::Capture log;
    EXPECT_TRUE(collection->recipes().isEmpty());
    EXPECT_TRUE(collection->recipes().isEmpty());
    EXPECT_EQ(log.lines().size(), 1) << log.lines().join('\n').toStdString();
    EXPECT_EQ(collection->summaryString(), QStringLiteral("0 recipes, 0.00 days"));
    // A new predicate tries again.
    collection->setPredicate(predicate(QStringLiteral("name == 'Soup'")));
    EXPECT_EQ(recipeNames(collection), QStringList { QStringLiteral("Soup") });
}

TEST_F(SmartCollectionTest, UnreadableStoredPredicateCountsAsNone)
{
    recipe(QStringLiteral("Soup"));
    SmartCollection* collection = smart();
    collection->setValueForKey(QByteArray("name ==== ("), QStringLiteral("predicateData"));
    save();
    open();
    auto fetched = context->executeFetchRequest(
        FetchRequest::fetchRequestWithEntityName(QStringLiteral("SmartCollection")));
    ASSERT_TRUE(fetched && fetched->size() == 1);
    auto* reloaded = dynamic_cast<SmartCollection*>(fetched->first());
    Log::Capture log;
    EXPECT_FALSE(reloaded->predicate());
    EXPECT_TRUE(log.contains(QStringLiteral("unreadable predicate")));
    EXPECT_EQ(recipeNames(reloaded), QStringList { QStringLiteral("Soup") });
}

TEST_F(SmartCollectionTest, TurningIntoAFaultDropsTheCacheButKeepsWatching)
{
    recipe(QStringLiteral("Soup"));
    SmartCollection* collection = smart(predicate(QStringLiteral("name CONTAINS 'o'")));
    collection->setName(QStringLiteral("O"));
    save();
    ASSERT_EQ(collection->recipes().size(), 1);
    context->refreshObject(collection, false);
    ASSERT_TRUE(collection->isFault());
    EXPECT_EQ(collection->summaryString(), QStringLiteral("0 recipes, 0.00 days"));
    EXPECT_EQ(collection->recipes().size(), 1);
    auto heard = countChanges(collection, QStringLiteral("recipes"));
    recipe(QStringLiteral("Broth"));
    context->processPendingChanges();
    EXPECT_EQ(*heard, 1);
    EXPECT_EQ(collection->recipes().size(), 2);
}

} // namespace
