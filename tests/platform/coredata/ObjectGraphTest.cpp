#include "CoreDataErrors.h"
#include "Decimal.h"
#include "Log.h"
#include "MutableObjectSet.h"
#include "StoreFixture.h"

#include <QDateTime>
#include <QTimeZone>

namespace
{

ManagedObject* objectOf(const QVariant& value)
{
    return value.value<ManagedObject*>();
}

} // namespace

using ObjectGraphTest = StoreFixture;

TEST_F(ObjectGraphTest, ValuesRoundTripExactlyThroughTheStore)
{
    const QString longText = QString(QStringLiteral("Ünïcode ✓ 🍅 ")).repeated(5000);
    const QString surrogates = QString::fromUtf16(u"a\U0001F600b") + QChar(0xD800) + QStringLiteral("z");
    const QByteArray binary("\x00\x01\xff\x00zz", 6);
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(1700000000123LL, QTimeZone::utc());
    ManagedObject* r = recipe(longText);
    r->setValueForKey(surrogates, QStringLiteral("scratch")); // transient: not stored
    r->setValueForKey(qint64(9007199254740993LL), QStringLiteral("servings"));
    r->setValueForKey(
        QVariant::fromValue(Decimal::decimalNumberWithString(QStringLiteral("12345678901234567890.125"))),
        QStringLiteral("amount"));
    r->setValueForKey(0.1 + 0.2, QStringLiteral("cookTime"));
    r->setValueForKey(true, QStringLiteral("favorite"));
    r->setValueForKey(date, QStringLiteral("dateAdded"));
    r->setValueForKey(binary, QStringLiteral("thumbnail"));
    r->setValueForKey(
        QVariantMap { { QStringLiteral("k"), QStringList { QStringLiteral("a"), QStringLiteral("b") } } },
        QStringLiteral("extra"));
    ManagedObject* other = recipe(surrogates);
    other->setValueForKey(QByteArray(""), QStringLiteral("thumbnail"));
    ASSERT_TRUE(save());

    openStack();
    const QList<ManagedObject*> all = fetch(QStringLiteral("Recipe"));
    ASSERT_EQ(all.size(), 2);
    ManagedObject* a
        = all.at(0)->valueForKey(QStringLiteral("name")).toString() == longText ? all.at(0) : all.at(1);
    ManagedObject* b = a == all.at(0) ? all.at(1) : all.at(0);
    EXPECT_EQ(a->valueForKey(QStringLiteral("name")).toString(), longText);
    EXPECT_EQ(b->valueForKey(QStringLiteral("name")).toString(), surrogates);
    EXPECT_FALSE(a->valueForKey(QStringLiteral("scratch")).isValid());
    EXPECT_EQ(a->valueForKey(QStringLiteral("servings")).toLongLong(), 9007199254740993LL);
    EXPECT_EQ(a->valueForKey(QStringLiteral("amount")).value<Decimal>().stringValue(),
        QStringLiteral("12345678901234567890.125"));
    EXPECT_EQ(a->valueForKey(QStringLiteral("cookTime")).toDouble(), 0.1 + 0.2);
    EXPECT_EQ(a->valueForKey(QStringLiteral("favorite")), QVariant(true));
    EXPECT_EQ(a->valueForKey(QStringLiteral("dateAdded")).toDateTime(), date);
    EXPECT_EQ(a->valueForKey(QStringLiteral("thumbnail")).toByteArray(), binary);
    EXPECT_EQ(a->valueForKey(QStringLiteral("extra")).toMap().value(QStringLiteral("k")).toStringList(),
        (QStringList { QStringLiteral("a"), QStringLiteral("b") }));
    EXPECT_EQ(a->valueForKey(QStringLiteral("rating")).toLongLong(), 0); // default
    EXPECT_TRUE(b->valueForKey(QStringLiteral("thumbnail")).isValid());
    EXPECT_TRUE(b->valueForKey(QStringLiteral("thumbnail")).toByteArray().isEmpty());
    EXPECT_FALSE(b->valueForKey(QStringLiteral("amount")).isValid());
}

TEST_F(ObjectGraphTest, SettingOneSideKeepsTheInverseInStep)
{
    ManagedObject* r1 = recipe(QStringLiteral("r1"));
    ManagedObject* r2 = recipe(QStringLiteral("r2"));
    ManagedObject* line = insert(QStringLiteral("Line"));
    line->setValueForKey(QVariant::fromValue(r1), QStringLiteral("recipe"));
    EXPECT_TRUE(r1->objectsForKey(QStringLiteral("ingredients")).contains(line));

    r2->mutableSetValueForKey(QStringLiteral("ingredients")).addObject(line);
    EXPECT_EQ(objectOf(line->valueForKey(QStringLiteral("recipe"))), r2);
    EXPECT_TRUE(r1->objectsForKey(QStringLiteral("ingredients")).isEmpty());

    // Many-to-many: both sides.
    ManagedObject* folder = insert(QStringLiteral("ManualCollection"));
    folder->mutableSetValueForKey(QStringLiteral("recipes")).addObjects({ r1, r2 });
    EXPECT_EQ(r1->objectsForKey(QStringLiteral("collections")), QList<ManagedObject*> { folder });
    r2->setValueForKey(QVariantList(), QStringLiteral("collections"));
    EXPECT_EQ(folder->objectsForKey(QStringLiteral("recipes")), QList<ManagedObject*> { r1 });

    // One-to-one: the image leaves its previous recipe.
    ManagedObject* image = insert(QStringLiteral("Image"));
    r1->setValueForKey(QVariant::fromValue(image), QStringLiteral("image"));
    r2->setValueForKey(QVariant::fromValue(image), QStringLiteral("image"));
    EXPECT_FALSE(r1->valueForKey(QStringLiteral("image")).isValid());
    EXPECT_EQ(objectOf(image->valueForKey(QStringLiteral("recipe"))), r2);
    ASSERT_TRUE(save());

    openStack();
    const QList<ManagedObject*> recipes = fetch(QStringLiteral("Recipe"));
    ASSERT_EQ(names(recipes), (QStringList { QStringLiteral("r1"), QStringLiteral("r2") }));
    ManagedObject* s1 = recipes.at(0);
    ManagedObject* s2 = recipes.at(1);
    EXPECT_EQ(s1->objectsForKey(QStringLiteral("ingredients")).size(), 0);
    ASSERT_EQ(s2->objectsForKey(QStringLiteral("ingredients")).size(), 1);
    EXPECT_EQ(
        objectOf(
            s2->objectsForKey(QStringLiteral("ingredients")).first()->valueForKey(QStringLiteral("recipe"))),
        s2);
    ASSERT_EQ(s1->objectsForKey(QStringLiteral("collections")).size(), 1);
    EXPECT_EQ(s1->objectsForKey(QStringLiteral("collections")).first()->entity()->name(),
        QStringLiteral("ManualCollection"));
    EXPECT_TRUE(s2->objectsForKey(QStringLiteral("collections")).isEmpty());
    EXPECT_EQ(
        objectOf(objectOf(s2->valueForKey(QStringLiteral("image")))->valueForKey(QStringLiteral("recipe"))),
        s2);
}

TEST_F(ObjectGraphTest, FetchedObjectsAreUniqueAndRelationshipsAreFaultsUntilUsed)
{
    ManagedObject* r = recipe(QStringLiteral("soup"));
    ManagedObject* category = insert(QStringLiteral("Category"));
    category->setValueForKey(QStringLiteral("Soups"), QStringLiteral("name"));
    r->setValueForKey(QVariant::fromValue(category), QStringLiteral("category"));
    ASSERT_TRUE(save());
    const QUrl categoryURI = category->objectID().URIRepresentation();

    openStack();
    const ManagedObjectID categoryID = coordinator->managedObjectIDForURIRepresentation(categoryURI);
    ASSERT_FALSE(categoryID.isNull());
    const QList<ManagedObject*> first = fetch(QStringLiteral("Recipe"));
    ASSERT_EQ(first.size(), 1);
    EXPECT_FALSE(first.first()->isFault());
    EXPECT_EQ(static_cast<TestRecipe*>(first.first())->awakeFromFetchCount, 1);
    EXPECT_FALSE(context->objectRegisteredForID(categoryID)); // not made before it is reached
    ManagedObject* fetchedCategory = first.first()->objectForKey(QStringLiteral("category"));
    ASSERT_TRUE(fetchedCategory);
    EXPECT_TRUE(fetchedCategory->isFault());
    EXPECT_EQ(fetchedCategory->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Soups"));
    EXPECT_FALSE(fetchedCategory->isFault());
    EXPECT_EQ(fetch(QStringLiteral("Recipe")).first(), first.first());
    EXPECT_EQ(context->objectWithID(categoryID), fetchedCategory);
    EXPECT_EQ(fetch(QStringLiteral("Category")).first(), fetchedCategory);
}

TEST_F(ObjectGraphTest, ObjectIDsAndURIs)
{
    ManagedObject* r = recipe(QStringLiteral("x"));
    const ManagedObjectID temporary = r->objectID();
    EXPECT_TRUE(temporary.isTemporaryID());
    EXPECT_TRUE(
        temporary.URIRepresentation().toString().startsWith(QStringLiteral("x-coredata:///Recipe/t")));
    EXPECT_EQ(context->objectWithID(temporary), r);
    EXPECT_EQ(coordinator->managedObjectIDForURIRepresentation(temporary.URIRepresentation()), temporary);
    ASSERT_TRUE(save());
    const ManagedObjectID permanent = r->objectID();
    EXPECT_FALSE(permanent.isTemporaryID());
    EXPECT_EQ(permanent.persistentStore(), store);
    EXPECT_EQ(permanent.URIRepresentation().toString(),
        QStringLiteral("x-coredata://%1/Recipe/p%2").arg(store->identifier()).arg(permanent.referenceKey()));
    EXPECT_EQ(context->objectWithID(temporary), r); // still resolves in this process
    EXPECT_EQ(coordinator->managedObjectIDForURIRepresentation(permanent.URIRepresentation()), permanent);

    const QString uuid = store->identifier();
    const QStringList foreign {
        QStringLiteral("x-coredata://00000000-0000-0000-0000-000000000000/Recipe/p1"),
        QStringLiteral("x-coredata://%1/Unknown/p1").arg(uuid),
        QStringLiteral("x-coredata://%1/Recipe/q1").arg(uuid),
        QStringLiteral("x-coredata://%1/Recipe/p").arg(uuid),
        QStringLiteral("x-coredata://%1/Recipe/p-3").arg(uuid),
        QStringLiteral("x-coredata://%1/Recipe/p99999999999999999999").arg(uuid),
        QStringLiteral("x-coredata://%1/Recipe").arg(uuid),
        QStringLiteral("http://%1/Recipe/p1").arg(uuid),
        QStringLiteral("x-coredata:///Recipe/t999999999"),
        QString(),
    };
    for (const QString& uri : foreign)
        EXPECT_TRUE(coordinator->managedObjectIDForURIRepresentation(QUrl(uri)).isNull())
            << uri.toStdString();

    // A missing row gives nothing, never a dangling object.
    const ManagedObjectID missing = coordinator->managedObjectIDForURIRepresentation(
        QUrl(QStringLiteral("x-coredata://%1/Recipe/p4242").arg(uuid)));
    ASSERT_FALSE(missing.isNull());
    Log::Capture capture;
    Error error;
    EXPECT_EQ(context->existingObjectWithID(missing, &error), nullptr);
    EXPECT_FALSE(error.isNull());
    auto other = newContext();
    EXPECT_EQ(other->existingObjectWithID(permanent)->valueForKey(QStringLiteral("name")).toString(),
        QStringLiteral("x"));
}

TEST_F(ObjectGraphTest, DeleteRulesCascadeNullifyAndDeny)
{
    ManagedObject* r = recipe(QStringLiteral("r"));
    ManagedObject* line = insert(QStringLiteral("Line"));
    line->setValueForKey(QVariant::fromValue(r), QStringLiteral("recipe"));
    ManagedObject* category = insert(QStringLiteral("Category"));
    category->setValueForKey(QStringLiteral("c"), QStringLiteral("name"));
    r->setValueForKey(QVariant::fromValue(category), QStringLiteral("category"));
    ASSERT_TRUE(save());

    // Deny: a category with recipes cannot go.
    context->deleteObject(category);
    Error error;
    EXPECT_FALSE(context->save(&error));
    EXPECT_EQ(error.code, CoreDataErrors::ValidationRelationshipDeniedDelete);
    EXPECT_EQ(error.userInfo.value(CoreDataErrors::validationObjectKey).value<ManagedObject*>(), category);
    context->rollback();
    EXPECT_FALSE(category->isDeleted());

    // Cascade to the lines, nullify on the category; a fetch already sees the cascade.
    context->deleteObject(r);
    EXPECT_TRUE(fetch(QStringLiteral("Line")).isEmpty());
    EXPECT_TRUE(line->isDeleted());
    EXPECT_TRUE(category->objectsForKey(QStringLiteral("recipes")).isEmpty());
    ASSERT_TRUE(save());
    EXPECT_EQ(r->managedObjectContext(), nullptr);
    openStack();
    EXPECT_TRUE(fetch(QStringLiteral("Recipe")).isEmpty());
    EXPECT_TRUE(fetch(QStringLiteral("Line")).isEmpty());
    ASSERT_EQ(fetch(QStringLiteral("Category")).size(), 1);
    EXPECT_TRUE(
        fetch(QStringLiteral("Category")).first()->objectsForKey(QStringLiteral("recipes")).isEmpty());
}

TEST_F(ObjectGraphTest, ValidationFailsWithCodesAndLeavesStoreAndChangesAlone)
{
    ManagedObject* kept = recipe(QStringLiteral("kept"));
    ASSERT_TRUE(save());
    kept->setValueForKey(QStringLiteral("changed"), QStringLiteral("name"));
    ManagedObject* category = insert(QStringLiteral("Category")); // name missing
    Error error;
    EXPECT_FALSE(context->save(&error));
    EXPECT_EQ(error.code, CoreDataErrors::ValidationMissingMandatoryProperty);
    EXPECT_EQ(error.userInfo.value(CoreDataErrors::validationObjectKey).value<ManagedObject*>(), category);
    EXPECT_EQ(error.userInfo.value(CoreDataErrors::validationKeyKey).toString(), QStringLiteral("name"));

    ManagedObject* image = insert(QStringLiteral("Image")); // recipe missing
    EXPECT_FALSE(context->save(&error));
    EXPECT_EQ(error.code, CoreDataErrors::ValidationMultipleErrors);
    EXPECT_EQ(error.userInfo.value(CoreDataErrors::detailedErrorsKey).toList().size(), 2);
    EXPECT_TRUE(context->hasChanges());
    EXPECT_TRUE(category->isInserted() && image->isInserted());
    EXPECT_EQ(kept->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("changed"));

    auto other = newContext();
    EXPECT_EQ(
        names(fetch(QStringLiteral("Recipe"), {}, {}, other.get())), QStringList { QStringLiteral("kept") });
    EXPECT_TRUE(fetch(QStringLiteral("Category"), {}, {}, other.get()).isEmpty());
}

TEST_F(ObjectGraphTest, RollbackRestoresValuesAndRelationships)
{
    ManagedObject* r = recipe(QStringLiteral("before"));
    ManagedObject* line = insert(QStringLiteral("Line"));
    line->setValueForKey(QVariant::fromValue(r), QStringLiteral("recipe"));
    ASSERT_TRUE(save());
    r->setValueForKey(QStringLiteral("after"), QStringLiteral("name"));
    line->setValueForKey(QVariant(), QStringLiteral("recipe"));
    ManagedObject* fresh = recipe(QStringLiteral("new"));
    context->deleteObject(r);
    context->rollback();
    EXPECT_FALSE(context->hasChanges());
    EXPECT_FALSE(r->isDeleted());
    EXPECT_EQ(r->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("before"));
    EXPECT_EQ(objectOf(line->valueForKey(QStringLiteral("recipe"))), r);
    EXPECT_EQ(r->objectsForKey(QStringLiteral("ingredients")), QList<ManagedObject*> { line });
    EXPECT_EQ(fresh->managedObjectContext(), nullptr);
    EXPECT_EQ(names(fetch(QStringLiteral("Recipe"))), QStringList { QStringLiteral("before") });
}

TEST_F(ObjectGraphTest, FetchSeesUnsavedChangesAndSubentities)
{
    recipe(QStringLiteral("saved apple"));
    ManagedObject* gone = recipe(QStringLiteral("saved banana"));
    ASSERT_TRUE(save());
    recipe(QStringLiteral("new apple"));
    context->deleteObject(gone);
    EXPECT_EQ(
        names(fetch(QStringLiteral("Recipe"), QStringLiteral("name CONTAINS %@"), { QStringLiteral("a") })),
        (QStringList { QStringLiteral("new apple"), QStringLiteral("saved apple") }));

    insert(QStringLiteral("Folder"))->setValueForKey(QStringLiteral("f"), QStringLiteral("name"));
    insert(QStringLiteral("SmartCollection"))->setValueForKey(QStringLiteral("s"), QStringLiteral("name"));
    ASSERT_TRUE(save());
    insert(QStringLiteral("ManualCollection"))->setValueForKey(QStringLiteral("m"), QStringLiteral("name"));
    EXPECT_EQ(names(fetch(QStringLiteral("Collection"))),
        (QStringList { QStringLiteral("f"), QStringLiteral("m"), QStringLiteral("s") }));
    EXPECT_EQ(names(fetch(QStringLiteral("SmartCollection"))), QStringList { QStringLiteral("s") });
    {
        Log::Capture capture;
        EXPECT_EQ(
            EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Collection"), context.get()),
            nullptr);
        EXPECT_TRUE(capture.contains(QStringLiteral("abstract")));
    }

    FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Collection"));
    request.setSortDescriptors({ SortDescriptor(QStringLiteral("name"), false) });
    request.setFetchOffset(1);
    request.setFetchLimit(1);
    auto page = context->executeFetchRequest(request);
    ASSERT_TRUE(page);
    EXPECT_EQ(names(*page), QStringList { QStringLiteral("m") });
    EXPECT_EQ(
        context->countForFetchRequest(FetchRequest::fetchRequestWithEntityName(QStringLiteral("Collection"))),
        3);

    Error error;
    EXPECT_FALSE(context->executeFetchRequest(
        FetchRequest::fetchRequestWithEntityName(QStringLiteral("Nope")), &error));
    EXPECT_FALSE(error.isNull());
}

TEST_F(ObjectGraphTest, UnsavedObjectsOfSubentitiesKeepTheirInsertionOrder)
{
    const QStringList kinds { QStringLiteral("Folder"), QStringLiteral("ManualCollection"),
        QStringLiteral("Folder"), QStringLiteral("SmartCollection"), QStringLiteral("ManualCollection") };
    QList<ManagedObject*> made;
    for (qsizetype i = 0; i < kinds.size(); ++i) {
        made.append(insert(kinds.at(i)));
        made.last()->setValueForKey(QStringLiteral("c%1").arg(i), QStringLiteral("name"));
    }
    insert(QStringLiteral("Category"))->setValueForKey(QStringLiteral("other"), QStringLiteral("name"));
    auto unsorted = [this](const QString& entity, bool withSubentities) {
        FetchRequest request = FetchRequest::fetchRequestWithEntityName(entity);
        request.setIncludesSubentities(withSubentities);
        return context->executeFetchRequest(request).value_or(QList<ManagedObject*>());
    };
    EXPECT_EQ(unsorted(QStringLiteral("Collection"), true), made);
    EXPECT_EQ(unsorted(QStringLiteral("Collection"), false), QList<ManagedObject*>());
    EXPECT_EQ(unsorted(QStringLiteral("Folder"), true), (QList<ManagedObject*> { made.at(0), made.at(2) }));

    // A new object deleted and inserted again comes back last.
    ManagedObject* first = made.takeFirst();
    context->deleteObject(first);
    EXPECT_EQ(unsorted(QStringLiteral("Collection"), true), made);
    context->insertObject(first, first->entity());
    made.append(first);
    EXPECT_EQ(unsorted(QStringLiteral("Collection"), true), made);
}

TEST_F(ObjectGraphTest, ChangedObjectsJoinOrLeaveAFetchByTheirCurrentValues)
{
    ManagedObject* apple = recipe(QStringLiteral("apple"));
    ManagedObject* avocado = recipe(QStringLiteral("avocado"));
    ManagedObject* banana = recipe(QStringLiteral("banana"));
    recipe(QStringLiteral("artichoke"));
    ManagedObject* folder = insert(QStringLiteral("Folder"));
    folder->setValueForKey(QStringLiteral("bin"), QStringLiteral("name"));
    insert(QStringLiteral("ManualCollection"))
        ->setValueForKey(QStringLiteral("attic"), QStringLiteral("name"));
    ASSERT_TRUE(save());

    banana->setValueForKey(QStringLiteral("apricot"), QStringLiteral("name")); // now matches
    apple->setValueForKey(QStringLiteral("plum"), QStringLiteral("name")); // no longer matches
    avocado->setValueForKey(QStringLiteral("avocado too"), QStringLiteral("name"));
    context->deleteObject(avocado); // changed, then deleted
    recipe(QStringLiteral("almond"));
    insert(QStringLiteral("Category"))->setValueForKey(QStringLiteral("anise"), QStringLiteral("name"));
    folder->setValueForKey(QStringLiteral("archive"), QStringLiteral("name")); // a changed sub-entity object

    const QString startsWithA = QStringLiteral("name BEGINSWITH %@");
    EXPECT_EQ(names(fetch(QStringLiteral("Recipe"), startsWithA, { QStringLiteral("a") })),
        (QStringList { QStringLiteral("almond"), QStringLiteral("apricot"), QStringLiteral("artichoke") }));
    EXPECT_EQ(names(fetch(QStringLiteral("Collection"), startsWithA, { QStringLiteral("a") })),
        (QStringList { QStringLiteral("archive"), QStringLiteral("attic") }));
    EXPECT_EQ(names(fetch(QStringLiteral("ManualCollection"), startsWithA, { QStringLiteral("a") })),
        QStringList { QStringLiteral("attic") });
    EXPECT_EQ(names(fetch(QStringLiteral("Recipe"))),
        (QStringList { QStringLiteral("almond"), QStringLiteral("apricot"), QStringLiteral("artichoke"),
            QStringLiteral("plum") }));

    context->rollback();
    EXPECT_EQ(names(fetch(QStringLiteral("Recipe"), startsWithA, { QStringLiteral("a") })),
        (QStringList { QStringLiteral("apple"), QStringLiteral("artichoke"), QStringLiteral("avocado") }));
    EXPECT_EQ(names(fetch(QStringLiteral("Collection"), startsWithA, { QStringLiteral("a") })),
        QStringList { QStringLiteral("attic") });
}

TEST_F(ObjectGraphTest, TemplatesSubstituteVariables)
{
    for (const char* name : { "Soups", "Salads" })
        insert(QStringLiteral("Category"))->setValueForKey(QString::fromUtf8(name), QStringLiteral("name"));
    ASSERT_TRUE(save());
    auto request = model->fetchRequestFromTemplateWithName(
        QStringLiteral("fetchCategoryByName"), { { QStringLiteral("name"), QStringLiteral("soups") } });
    ASSERT_TRUE(request);
    auto result = context->executeFetchRequest(*request);
    ASSERT_TRUE(result);
    EXPECT_EQ(names(*result), QStringList { QStringLiteral("Soups") });
    EXPECT_FALSE(model->fetchRequestFromTemplateWithName(QStringLiteral("missing"), {}));
}

TEST_F(ObjectGraphTest, ObserversHearKeyAndDependentKeyChanges)
{
    ManagedObject* r = recipe(QStringLiteral("old"));
    QStringList heard;
    const quint64 token = r->addObserver(QStringLiteral("title"),
        [&heard](ManagedObject*, const QString& key, const QVariant& oldValue, const QVariant& newValue) {
            heard << key + QLatin1Char(':') + oldValue.toString() + QLatin1Char('>') + newValue.toString();
        });
    QList<int> counts;
    ManagedObject* line = insert(QStringLiteral("Line"));
    r->addObserver(QStringLiteral("ingredients"),
        [&counts](ManagedObject*, const QString&, const QVariant& oldValue, const QVariant& newValue) {
            counts << int(oldValue.toList().size()) << int(newValue.toList().size());
        });
    r->setValueForKey(QStringLiteral("new"), QStringLiteral("name"));
    line->setValueForKey(QVariant::fromValue(r), QStringLiteral("recipe")); // heard through the inverse
    EXPECT_EQ(heard, QStringList { QStringLiteral("title:Recipe: old>Recipe: new") });
    EXPECT_EQ(counts, (QList<int> { 0, 1 }));
    r->removeObserver(token);
    r->setValueForKey(QStringLiteral("newer"), QStringLiteral("name"));
    EXPECT_EQ(heard.size(), 1);
}

TEST_F(ObjectGraphTest, UndefinedKeysAndWrongTypesAreRefused)
{
    auto* r = static_cast<TestRecipe*>(recipe(QStringLiteral("r")));
    EXPECT_EQ(r->awakeFromInsertCount, 1);
    Log::Capture capture;
    r->setValueForKey(QStringLiteral("x"), QStringLiteral("recipe"));
    EXPECT_EQ(r->undefinedKeys, QStringList { QStringLiteral("recipe") });
    EXPECT_FALSE(r->valueForKey(QStringLiteral("nothing")).isValid());
    r->setValueForKey(QStringLiteral("text"), QStringLiteral("rating"));
    EXPECT_EQ(r->valueForKey(QStringLiteral("rating")).toLongLong(), 0);
    EXPECT_TRUE(capture.contains(QStringLiteral("unacceptable value")));
}

TEST_F(ObjectGraphTest, ChangedValuesAndObjectLists)
{
    ManagedObject* r = recipe(QStringLiteral("a"));
    ASSERT_TRUE(save());
    EXPECT_FALSE(r->isUpdated());
    r->setValueForKey(QStringLiteral("b"), QStringLiteral("name"));
    r->setValueForKey(QStringLiteral("t"), QStringLiteral("scratch"));
    EXPECT_TRUE(r->isUpdated());
    EXPECT_EQ(r->changedValues(), (QVariantMap { { QStringLiteral("name"), QStringLiteral("b") } }));
    EXPECT_EQ(r->committedValuesForKeys({ QStringLiteral("name") }).value(QStringLiteral("name")).toString(),
        QStringLiteral("a"));
    EXPECT_EQ(context->updatedObjects(), QList<ManagedObject*> { r });
    ASSERT_TRUE(save());
    EXPECT_EQ(static_cast<TestRecipe*>(r)->willSaveCount, 2);
    EXPECT_FALSE(context->hasChanges());
}

TEST_F(ObjectGraphTest, RollbackUndoesAppliedDeleteRules)
{
    ManagedObject* r = recipe(QStringLiteral("r"));
    ManagedObject* line = insert(QStringLiteral("Line"));
    line->setValueForKey(QVariant::fromValue(r), QStringLiteral("recipe"));
    ASSERT_TRUE(save());
    context->deleteObject(r);
    context->processPendingChanges();
    ASSERT_TRUE(line->isDeleted());
    context->rollback();
    EXPECT_FALSE(r->isDeleted());
    EXPECT_FALSE(line->isDeleted());
    EXPECT_EQ(objectOf(line->valueForKey(QStringLiteral("recipe"))), r);
    EXPECT_EQ(r->objectsForKey(QStringLiteral("ingredients")), QList<ManagedObject*> { line });
    EXPECT_FALSE(context->hasChanges());
    ASSERT_TRUE(save());
    openStack();
    ASSERT_EQ(fetch(QStringLiteral("Line")).size(), 1);
}

TEST_F(ObjectGraphTest, RefreshAndResetForgetUnsavedState)
{
    ManagedObject* r = recipe(QStringLiteral("stored"));
    ASSERT_TRUE(save());
    r->setValueForKey(QStringLiteral("unsaved"), QStringLiteral("name"));
    context->refreshObject(r, false);
    EXPECT_TRUE(r->isFault());
    EXPECT_FALSE(context->hasChanges());
    EXPECT_EQ(r->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("stored"));

    const ManagedObjectID id = r->objectID();
    context->reset();
    EXPECT_EQ(context->objectRegisteredForID(id), nullptr);
    ManagedObject* again = context->existingObjectWithID(id);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("stored"));
}
