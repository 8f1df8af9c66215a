// Objects read together are read on together (faults and to-many members of many objects in one
// query): what a program sees must be exactly what reading them one by one gives.
#include "NotificationCenter.h"
#include "StoreFixture.h"

#include <QMap>

namespace
{

ManagedObject* objectOf(const QVariant& value)
{
    return value.value<ManagedObject*>();
}

QStringList lineNames(const ManagedObject* recipe)
{
    QStringList names;
    for (const ManagedObject* line : recipe->objectsForKey(QStringLiteral("ingredients")))
        names.append(line->valueForKey(QStringLiteral("name")).toString());
    names.sort();
    return names;
}

} // namespace

class BatchReadingTest : public StoreFixture
{
protected:
    // A category of three saved recipes, read back in a new stack: its members are faults.
    ManagedObject* readBackCategoryOfThree()
    {
        ManagedObject* category = insert(QStringLiteral("Category"));
        category->setValueForKey(QStringLiteral("Soups"), QStringLiteral("name"));
        for (const char* name : { "a", "b", "c" })
            recipe(QString::fromLatin1(name))
                ->setValueForKey(QVariant::fromValue(category), QStringLiteral("category"));
        if (!save())
            return nullptr;
        openStack();
        return fetch(QStringLiteral("Category")).value(0);
    }
};

TEST_F(BatchReadingTest, ManyObjectsReadInAnyOrderGiveTheirOwnMembersAndValues)
{
    // More recipes than one batched read takes, with 0 to 3 lines each and two collections.
    constexpr int kRecipes = 700;
    QMap<QString, QStringList> expectedLines;
    QMap<QString, QStringList> expectedCollections;
    ManagedObject* even = insert(QStringLiteral("ManualCollection"));
    even->setValueForKey(QStringLiteral("even"), QStringLiteral("name"));
    ManagedObject* tens = insert(QStringLiteral("ManualCollection"));
    tens->setValueForKey(QStringLiteral("tens"), QStringLiteral("name"));
    for (int i = 0; i < kRecipes; ++i) {
        const QString name = QStringLiteral("r%1").arg(i, 4, 10, QLatin1Char('0'));
        ManagedObject* r = recipe(name);
        QStringList lines;
        for (int j = 0; j < i % 4; ++j) {
            ManagedObject* line = insert(QStringLiteral("Line"));
            line->setValueForKey(QStringLiteral("%1-line%2").arg(name).arg(j), QStringLiteral("name"));
            line->setValueForKey(QVariant::fromValue(r), QStringLiteral("recipe"));
            lines.append(line->valueForKey(QStringLiteral("name")).toString());
        }
        expectedLines.insert(name, lines);
        QStringList collections;
        if (i % 2 == 0) {
            r->mutableSetValueForKey(QStringLiteral("collections")).addObject(even);
            collections.append(QStringLiteral("even"));
        }
        if (i % 10 == 0) {
            r->mutableSetValueForKey(QStringLiteral("collections")).addObject(tens);
            collections.append(QStringLiteral("tens"));
        }
        expectedCollections.insert(name, collections);
    }
    ASSERT_TRUE(save());

    openStack();
    QList<ManagedObject*> recipes = fetch(QStringLiteral("Recipe"));
    ASSERT_EQ(recipes.size(), kRecipes);
    // Backwards and in strides, so that batches are entered from their middle and their end.
    std::reverse(recipes.begin(), recipes.end());
    for (int stride : { 7, 1 }) {
        for (int start = 0; start < stride; ++start) {
            for (qsizetype i = start; i < recipes.size(); i += stride) {
                ManagedObject* r = recipes.at(i);
                const QString name = r->valueForKey(QStringLiteral("name")).toString();
                EXPECT_EQ(lineNames(r), expectedLines.value(name)) << name.toStdString();
                QStringList collections;
                for (const ManagedObject* c : r->objectsForKey(QStringLiteral("collections")))
                    collections.append(c->valueForKey(QStringLiteral("name")).toString());
                collections.sort();
                EXPECT_EQ(collections, expectedCollections.value(name)) << name.toStdString();
                for (const ManagedObject* line : r->objectsForKey(QStringLiteral("ingredients")))
                    EXPECT_EQ(line->objectForKey(QStringLiteral("recipe")), r);
            }
        }
    }
    for (ManagedObject* c : fetch(QStringLiteral("ManualCollection"))) {
        const bool isEven = c->valueForKey(QStringLiteral("name")).toString() == QLatin1String("even");
        EXPECT_EQ(c->objectsForKey(QStringLiteral("recipes")).size(), isEven ? kRecipes / 2 : kRecipes / 10);
    }
}

TEST_F(BatchReadingTest, PeersReadWithAFaultStayFaultsUntilUsed)
{
    ManagedObject* soups = readBackCategoryOfThree();
    ASSERT_TRUE(soups);
    const QList<ManagedObject*> members = soups->objectsForKey(QStringLiteral("recipes"));
    ASSERT_EQ(members.size(), 3);
    for (ManagedObject* member : members)
        ASSERT_TRUE(member->isFault());

    members.at(0)->valueForKey(QStringLiteral("name"));
    EXPECT_EQ(static_cast<TestRecipe*>(members.at(0))->awakeFromFetchCount, 1);
    for (ManagedObject* peer : { members.at(1), members.at(2) }) {
        EXPECT_TRUE(peer->isFault());
        EXPECT_EQ(static_cast<TestRecipe*>(peer)->awakeFromFetchCount, 0);
    }
    QStringList names;
    for (ManagedObject* member : members)
        names.append(member->valueForKey(QStringLiteral("name")).toString());
    names.sort();
    EXPECT_EQ(names, (QStringList { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") }));
    for (ManagedObject* member : members)
        EXPECT_EQ(static_cast<TestRecipe*>(member)->awakeFromFetchCount, 1);
}

TEST_F(BatchReadingTest, ARowReadAheadIsNotUsedOnceAnotherContextChangedIt)
{
    ManagedObject* soups = readBackCategoryOfThree();
    ASSERT_TRUE(soups);
    QList<ManagedObject*> members = soups->objectsForKey(QStringLiteral("recipes"));
    ASSERT_EQ(members.size(), 3);
    // Reading one reads its peers' rows ahead; they stay faults.
    members.at(0)->valueForKey(QStringLiteral("name"));
    ManagedObject* changedThere = nullptr;
    for (ManagedObject* member : members) {
        if (member != members.at(0) && !changedThere)
            changedThere = member;
    }
    ASSERT_TRUE(changedThere && changedThere->isFault());

    auto background = newContext();
    ManagedObject* theirs = background->existingObjectWithID(changedThere->objectID());
    ASSERT_TRUE(theirs);
    theirs->setValueForKey(QStringLiteral("renamed"), QStringLiteral("name"));
    Notification saved;
    {
        ScopedObserver o(NotificationCenter::defaultCenter(),
            NotificationCenter::defaultCenter().addObserver(ManagedObjectContext::DidSaveNotification,
                background.get(), [&saved](const Notification& n) { saved = n; }));
        ASSERT_TRUE(save(background.get()));
    }
    context->mergeChangesFromContextDidSaveNotification(saved);
    EXPECT_EQ(changedThere->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("renamed"));
    EXPECT_EQ(objectOf(changedThere->valueForKey(QStringLiteral("category"))), soups);
}
