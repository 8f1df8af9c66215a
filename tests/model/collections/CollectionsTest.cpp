#include "CollectionFixture.h"

namespace
{

using CollectionsTest = CollectionFixture;

// --- kinds ---

struct KindCase {
    const char* entity;
    QString kind;
    const char* storedValue;
    bool invincible;
    bool canAdd;
};

TEST_F(CollectionsTest, KindsAreStoredAsWrittenAndDecideTheTestsAndAdding)
{
    const QList<KindCase> cases {
        { "ManualCollection", KRCollectionKindMainLibrary, "RBCollectionKindMainLibrary", true, true },
        { "ManualCollection", KRCollectionKindSearchCache, "RBCollectionKindSearchCache", true, false },
        { "ManualCollection", KRCollectionKindImportedCollection, "RBCollectionKindImportedCollection", true,
            false },
        { "SmartCollection", KRCollectionKindRecentlyCookedCollection,
            "RBCollectionKindRecentlyCookedCollection", true, false },
        { "ManualCollection", KRCollectionKindManualCollection, "RBCollectionKindManualCollection", false,
            true },
        { "SmartCollection", KRCollectionKindSmartCollection, "RBCollectionKindSmartCollection", false,
            true },
        { "Folder", KRCollectionKindFolder, "RBCollectionKindFolder", false, false },
        { "ManualCollection", KRCollectionKindGroceryListsCollection,
            "KRCollectionKindGroceryListsCollection", true, true },
        { "Folder", KRCollectionKindDevicesFolder, "KRCollectionKindDevicesFolder", true, false },
        { "DeviceCollection", KRCollectionKindDeviceCollection, "KRCollectionKindDeviceCollection", true,
            true },
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.storedValue);
        EXPECT_EQ(c.kind, QString::fromLatin1(c.storedValue));
        auto* collection = insert<RecipeCollection>(QString::fromLatin1(c.entity), c.kind);
        ASSERT_TRUE(collection);
        EXPECT_EQ(collection->isInvincible(), c.invincible);
        EXPECT_EQ(collection->canAdd(), c.canAdd);
        EXPECT_EQ(collection->valueForKey(QStringLiteral("canAdd")).toBool(), c.canAdd);
        const QList<bool> tests { collection->isLibrary(), collection->isSearchCache(),
            collection->isImportCollection(), collection->isRecentlyCookedCollection(),
            collection->isGroceryListsCollection(), collection->isDevicesFolder(),
            collection->isDeviceCollection() };
        EXPECT_EQ(tests.count(true), c.invincible ? 1 : 0);
    }
}

TEST_F(CollectionsTest, EachClassAnswersForItsPlaceInTheSourceList)
{
    auto* folder = insert<Folder>(QStringLiteral("Folder"));
    auto* manual = insert<ManualCollection>(QStringLiteral("ManualCollection"));
    auto* smart = insert<SmartCollection>(QStringLiteral("SmartCollection"));
    auto* device = insert<DeviceCollection>(QStringLiteral("DeviceCollection"));
    ManagedObject* soup = recipe(QStringLiteral("Soup"));
    manual->addRecipesObject(soup);
    folder->addChildrenObject(manual);

    EXPECT_FALSE(folder->valueForKey(QStringLiteral("isLeaf")).toBool());
    EXPECT_TRUE(manual->valueForKey(QStringLiteral("isLeaf")).toBool());
    EXPECT_TRUE(smart->valueForKey(QStringLiteral("isLeaf")).toBool());
    EXPECT_TRUE(device->valueForKey(QStringLiteral("isLeaf")).toBool());

    EXPECT_FALSE(folder->valueForKey(QStringLiteral("recipes")).isValid());
    EXPECT_EQ(folder->valueForKey(QStringLiteral("children")).toList().size(), 1);
    EXPECT_FALSE(manual->valueForKey(QStringLiteral("children")).isValid());
    EXPECT_EQ(manual->valueForKey(QStringLiteral("recipes")).toList().size(), 1);
    EXPECT_FALSE(smart->valueForKey(QStringLiteral("children")).isValid());

    // Leaves ignore children given to them.
    manual->setValueForKey(
        QVariantList { QVariant::fromValue<ManagedObject*>(device) }, QStringLiteral("children"));
    EXPECT_TRUE(manual->objectsForKey(QStringLiteral("children")).isEmpty());
    EXPECT_EQ(device->valueForKey(QStringLiteral("parent")).value<ManagedObject*>(), nullptr);

    EXPECT_FALSE(folder->allowsSubRecipes());
    EXPECT_TRUE(manual->allowsSubRecipes());
    EXPECT_TRUE(smart->allowsSubRecipes());
    EXPECT_FALSE(manual->canEditPredicate());
    EXPECT_TRUE(smart->canEditPredicate());
    EXPECT_FALSE(folder->isSmartCollection());
    EXPECT_TRUE(smart->isSmartCollection());

    EXPECT_EQ(folder->collectionImageName(), QStringLiteral("image_collection_folder"));
    EXPECT_EQ(manual->collectionImageName(), QStringLiteral("image_collection_manual"));
    EXPECT_EQ(smart->collectionImageName(), QStringLiteral("image_collection_smart"));
    manual->setCollectionImageName(QStringLiteral("image_collection_library"));
    EXPECT_EQ(manual->valueForKey(QStringLiteral("collectionImageName")).toString(),
        QStringLiteral("image_collection_library"));
}

// --- names ---

TEST_F(CollectionsTest, NewCollectionsGetUniqueDefaultNames)
{
    auto* first = insert<ManualCollection>(QStringLiteral("ManualCollection"));
    auto* second = insert<SmartCollection>(QStringLiteral("SmartCollection"));
    auto* third = insert<ManualCollection>(QStringLiteral("ManualCollection"));
    auto* folder = insert<Folder>(QStringLiteral("Folder"));
    auto* otherFolder = insert<Folder>(QStringLiteral("Folder"));
    EXPECT_EQ(first->name(), QStringLiteral("untitled collection"));
    EXPECT_EQ(second->name(), QStringLiteral("untitled collection 1"));
    EXPECT_EQ(third->name(), QStringLiteral("untitled collection 2"));
    EXPECT_EQ(folder->name(), QStringLiteral("untitled folder"));
    EXPECT_EQ(otherFolder->name(), QStringLiteral("untitled folder 1"));
}

TEST_F(CollectionsTest, RenamingKeepsNamesUniqueAcrossTheStore)
{
    auto* a = insert<ManualCollection>(QStringLiteral("ManualCollection"));
    auto* b = insert<ManualCollection>(QStringLiteral("ManualCollection"));
    auto* c = insert<Folder>(QStringLiteral("Folder"));
    a->setName(QStringLiteral("Desserts"));
    save();
    a->setName(QStringLiteral("Desserts"));
    EXPECT_EQ(a->name(), QStringLiteral("Desserts"));
    b->setName(QStringLiteral("Desserts"));
    EXPECT_EQ(b->name(), QStringLiteral("Desserts 1"));
    // The number goes on the name as given, not on the previous try.
    c->setValueForKey(QStringLiteral("Desserts"), QStringLiteral("name"));
    EXPECT_EQ(c->name(), QStringLiteral("Desserts 2"));
    EXPECT_TRUE(services.presentedErrors.isEmpty());
    EXPECT_GT(services.rearrangeCollectionsCount, 0);
    a->setValueForKey(QVariant(), QStringLiteral("name"));
    b->setValueForKey(QVariant(), QStringLiteral("name"));
    EXPECT_FALSE(b->valueForKey(QStringLiteral("name")).isValid());

    // Another context sees what the store holds; the source list only shows the main context.
    const int rearranged = services.rearrangeCollectionsCount;
    std::unique_ptr<ManagedObjectContext> other = newContext();
    auto* elsewhere = dynamic_cast<ManualCollection*>(
        ModelStoreFixture::insert(QStringLiteral("ManualCollection"), other.get()));
    ASSERT_TRUE(elsewhere);
    elsewhere->setName(QStringLiteral("Desserts"));
    EXPECT_EQ(elsewhere->name(), QStringLiteral("Desserts 1"));
    EXPECT_EQ(services.rearrangeCollectionsCount, rearranged);
}

TEST_F(CollectionsTest, ANameSearchThatCannotFetchStopsAndKeepsTheName)
{
    // A context on no store cannot run the name template.
    ManagedObjectContext loose;
    ManagedObject* object = ManagedObject::createInstance(QStringLiteral("ManualCollection"));
    loose.insertObject(object, model->entityNamed(QStringLiteral("ManualCollection")));
    auto* collection = dynamic_cast<ManualCollection*>(object);
    ASSERT_TRUE(collection);
    EXPECT_EQ(collection->name(), QStringLiteral("untitled collection"));
    services.presentedErrors.clear();
    collection->setName(QStringLiteral("Soups"));
    EXPECT_EQ(collection->name(), QStringLiteral("Soups"));
    EXPECT_EQ(services.presentedErrors.size(), 1);
}

TEST_F(CollectionsTest, EmptyTextLeavesTheNameAlone)
{
    auto* collection = insert<ManualCollection>(QStringLiteral("ManualCollection"));
    collection->setName(QStringLiteral("Soups"));
    for (const QString& empty : { QString(), QStringLiteral(""), QStringLiteral("(null)") }) {
        collection->setNameWithoutImage(empty);
        EXPECT_EQ(collection->name(), QStringLiteral("Soups"));
    }
    collection->setValueForKey(
        QVariant::fromValue(AttributedString(QStringLiteral("Stews"))), QStringLiteral("nameWithoutImage"));
    EXPECT_EQ(collection->name(), QStringLiteral("Stews"));
    EXPECT_EQ(collection->nameWithoutImage().string(), QStringLiteral("Stews"));
}

TEST_F(CollectionsTest, TitleShowsTheIconBeforeASpaceAndTheName)
{
    auto* collection = insert<ManualCollection>(QStringLiteral("ManualCollection"));
    collection->setName(QStringLiteral("Soups"));
    AttributedString title = collection->nameWithImage();
    ASSERT_EQ(title.string(), QString(QChar(NSAttachmentCharacter)) + QStringLiteral(" Soups"));
    auto icon = title.attributeAtIndex(NSAttachmentAttributeName, 0).value<TextAttachment>();
    EXPECT_EQ(icon.cell, TextAttachment::Cell::Image);
    EXPECT_EQ(icon.title, QStringLiteral("image_collection_manual"));
    EXPECT_FALSE(title.attributeAtIndex(NSAttachmentAttributeName, 1).isValid());

    // A new name or icon shows at once.
    auto heard = countChanges(collection, QStringLiteral("nameWithImage"));
    collection->setNameWithImage(QStringLiteral("Stews"));
    EXPECT_EQ(collection->name(), QStringLiteral("Stews"));
    EXPECT_TRUE(collection->nameWithImage().string().endsWith(QStringLiteral(" Stews")));
    EXPECT_GE(*heard, 1);
    collection->setName(QStringLiteral("Broths"));
    EXPECT_TRUE(collection->nameWithImage().string().endsWith(QStringLiteral(" Broths")));
    collection->setCollectionImageName(QString(""));
    EXPECT_EQ(collection->nameWithImage().string(), QStringLiteral(" Broths"));
}

// --- summaries ---

TEST_F(CollectionsTest, SummaryCountsRecipesAndDaysInGoodEnglish)
{
    const QList<std::pair<int, QString>> cases {
        { 0, QStringLiteral("0 recipes, 0.00 days") },
        { 1, QStringLiteral("1 recipe, 0.33 days") },
        { 2, QStringLiteral("2 recipes, 0.67 days") },
        { 3, QStringLiteral("3 recipes, 1.00 day") },
        { 4, QStringLiteral("4 recipes, 1.33 days") },
        { 7, QStringLiteral("7 recipes, 2.33 days") },
    };
    for (const auto& [count, expected] : cases) {
        auto* collection = insert<ManualCollection>(QStringLiteral("ManualCollection"));
        for (int i = 0; i < count; ++i)
            collection->addRecipesObject(recipe(QStringLiteral("r%1").arg(i)));
        EXPECT_EQ(collection->valueForKey(QStringLiteral("summaryString")).toString(), expected);
    }
}

TEST_F(CollectionsTest, FolderSummaryCountsItsCollections)
{
    auto* folder = insert<Folder>(QStringLiteral("Folder"));
    EXPECT_EQ(folder->summaryString(), QStringLiteral("0 collections"));
    folder->addChildrenObject(insert<ManualCollection>(QStringLiteral("ManualCollection")));
    EXPECT_EQ(folder->summaryString(), QStringLiteral("1 collection"));
    folder->addChildrenObject(insert<SmartCollection>(QStringLiteral("SmartCollection")));
    EXPECT_EQ(folder->summaryString(), QStringLiteral("2 collections"));
}

// --- membership ---

TEST_F(CollectionsTest, FolderChildrenKnowTheirParent)
{
    auto* folder = insert<Folder>(QStringLiteral("Folder"));
    auto* child = insert<ManualCollection>(QStringLiteral("ManualCollection"));
    auto heard = countChanges(folder, QStringLiteral("children"));
    folder->addChildrenObject(child);
    EXPECT_EQ(child->valueForKey(QStringLiteral("parent")).value<ManagedObject*>(), folder);
    EXPECT_EQ(folder->children(), QList<ManagedObject*> { child });
    EXPECT_GE(*heard, 1);
    folder->removeChildrenObject(child);
    EXPECT_EQ(child->valueForKey(QStringLiteral("parent")).value<ManagedObject*>(), nullptr);
    EXPECT_TRUE(folder->children().isEmpty());
}

TEST_F(CollectionsTest, ManualMembershipKeepsBothSidesInStep)
{
    auto* collection = insert<ManualCollection>(QStringLiteral("ManualCollection"));
    ManagedObject* soup = recipe(QStringLiteral("Soup"));
    auto heard = countChanges(collection, QStringLiteral("recipes"));
    collection->addRecipesObject(soup);
    EXPECT_TRUE(soup->objectsForKey(QStringLiteral("collections")).contains(collection));
    collection->removeRecipesObject(soup);
    EXPECT_TRUE(soup->objectsForKey(QStringLiteral("collections")).isEmpty());
    EXPECT_TRUE(collection->recipes().isEmpty());
    EXPECT_EQ(*heard, 2);
}

TEST_F(CollectionsTest, TrimmingRecentImportsDropsTheOldestBeyondTheLimit)
{
    defaults.defaults().setInteger(30, KRSavedImportsCount);
    auto* library = insert<ManualCollection>(QStringLiteral("ManualCollection"), KRCollectionKindMainLibrary);
    auto* imports
        = insert<ManualCollection>(QStringLiteral("ManualCollection"), KRCollectionKindImportedCollection);
    const QDateTime start(QDate(2024, 3, 1), QTime(12, 0), Qt::UTC);
    ManagedObject* oldest = nullptr;
    // Added out of date order, so the set's order cannot decide.
    for (int i : { 5, 0, 17, 30, 2, 9, 11, 1, 3, 4, 6, 7, 8, 10, 12, 13, 14, 15, 16, 18, 19, 20, 21, 22, 23,
             24, 25, 26, 27, 28, 29 }) {
        ManagedObject* r = recipe(QStringLiteral("r%1").arg(i), start.addSecs(i * 60));
        library->addRecipesObject(r);
        imports->addRecipesObject(r);
        if (i == 0)
            oldest = r;
    }
    ASSERT_EQ(imports->recipes().size(), 31);
    library->trimImportCollection(); // not the import collection: nothing happens
    EXPECT_EQ(library->recipes().size(), 31);
    imports->trimImportCollection();
    EXPECT_EQ(imports->recipes().size(), 30);
    EXPECT_FALSE(imports->recipes().contains(oldest));
    EXPECT_TRUE(library->recipes().contains(oldest));
    EXPECT_FALSE(oldest->isDeleted());
    imports->trimImportCollection();
    EXPECT_EQ(imports->recipes().size(), 30);

    defaults.defaults().setInteger(28, KRSavedImportsCount);
    imports->trimImportCollection();
    const QStringList kept = names(imports->recipes());
    EXPECT_EQ(kept.size(), 28);
    EXPECT_FALSE(kept.contains(QStringLiteral("r1")));
    EXPECT_FALSE(kept.contains(QStringLiteral("r2")));
    EXPECT_TRUE(kept.contains(QStringLiteral("r3")));
}

TEST_F(CollectionsTest, TrimmingWithoutASetLimitKeepsThirty)
{
    auto* imports
        = insert<ManualCollection>(QStringLiteral("ManualCollection"), KRCollectionKindImportedCollection);
    const QDateTime start(QDate(2024, 3, 1), QTime(12, 0), Qt::UTC);
    for (int i = 0; i < 32; ++i)
        imports->addRecipesObject(recipe(QStringLiteral("r%1").arg(i), start.addDays(i)));
    imports->trimImportCollection();
    EXPECT_EQ(imports->recipes().size(), 30);
}

// --- life cycle ---

TEST_F(CollectionsTest, FetchedCollectionsBecomeDraggableAndTheSearchCacheStaysInPlace)
{
    auto* user = insert<ManualCollection>(QStringLiteral("ManualCollection"));
    user->setName(QStringLiteral("Mine"));
    auto* cache = insert<ManualCollection>(QStringLiteral("ManualCollection"), KRCollectionKindSearchCache);
    cache->setName(QStringLiteral("Search Results"));
    cache->setValueForKey(true, QStringLiteral("draggable"));
    cache->setIndex(7);
    save();
    open();
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("RecipeCollection"));
    auto fetched = context->executeFetchRequest(request);
    ASSERT_TRUE(fetched);
    ASSERT_EQ(fetched->size(), 2);
    for (ManagedObject* object : *fetched) {
        auto* collection = dynamic_cast<RecipeCollection*>(object);
        ASSERT_TRUE(collection);
        if (collection->isSearchCache()) {
            EXPECT_FALSE(collection->valueForKey(QStringLiteral("draggable")).toBool());
            EXPECT_EQ(collection->index().toInt(), 1);
        } else {
            EXPECT_TRUE(collection->valueForKey(QStringLiteral("draggable")).toBool());
        }
    }
}

// --- device collections ---

TEST_F(CollectionsTest, DeviceIconFollowsTheDeviceTypeOnly)
{
    const QList<std::pair<QVariant, QString>> cases {
        { QStringLiteral("iPhone"), QStringLiteral("image_collection_device_iphone") },
        { QStringLiteral("iPod touch"), QStringLiteral("image_collection_device_ipod") },
        { QStringLiteral("iPad"), QStringLiteral("image_collection_device_ipad") },
        { QStringLiteral("Mac"), QStringLiteral("image_collection_device_mac") },
        { QStringLiteral("iPod"), QStringLiteral("image_collection_device_unknown") },
        { QVariant(), QStringLiteral("image_collection_device_unknown") },
    };
    for (const auto& [type, icon] : cases) {
        auto* device
            = insert<DeviceCollection>(QStringLiteral("DeviceCollection"), KRCollectionKindDeviceCollection);
        device->setValueForKey(type, QStringLiteral("deviceType"));
        device->setCollectionImageName(QStringLiteral("image_collection_manual"));
        EXPECT_EQ(device->collectionImageName(), icon) << type.toString().toStdString();
        EXPECT_EQ(device->nameWithImage()
                      .attributeAtIndex(NSAttachmentAttributeName, 0)
                      .value<TextAttachment>()
                      .title,
            icon);
    }
}

} // namespace
