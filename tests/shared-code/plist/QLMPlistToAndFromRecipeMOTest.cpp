#include "QLMPlistToAndFromRecipeMO.h"

#include "EventLoopWait.h"
#include "ImageMO.h"
#include "Log.h"
#include "ModelStoreFixture.h"
#include "QLMKitchoraCloudAgent.h"
#include "RecipeMO.h"
#include "WebServiceStub.h"

#include <QBuffer>
#include <QDateTime>
#include <QImage>
#include <gtest/gtest.h>

namespace
{

class PlistMappingTest : public ModelStoreFixture
{
protected:
    RecipeMO* makeRecipe(const QString& name)
    {
        auto* recipe = dynamic_cast<RecipeMO*>(insertNamed("Recipe", name));
        clock.advance(0); // the recipe's deferred set-up
        return recipe;
    }
    // Replaces the recipe's items of a list with the given texts at the given indexes.
    void setItems(RecipeMO* recipe, const QString& key, const QString& entity, const QString& textKey,
        const QList<QPair<int, QString>>& items)
    {
        for (ManagedObject* item : recipe->objectsForKey(key))
            context->deleteObject(item);
        for (const auto& [index, text] : items) {
            ManagedObject* item = insert(entity);
            item->setValueForKey(index, "index");
            item->setValueForKey(text, textKey);
            item->setValueForKey(QVariant::fromValue(static_cast<ManagedObject*>(recipe)), "recipe");
        }
        context->processPendingChanges();
    }
    // Waits on real sockets while letting the virtual clock deliver what was posted.
    bool settle(const std::function<bool()>& done)
    {
        return waitUntil([&] {
            clock.advance(0);
            return done();
        });
    }
};

} // namespace

TEST_F(PlistMappingTest, RecipeBecomesItsPropertyList)
{
    RecipeMO* recipe = makeRecipe("Soup");
    recipe->setValueForKey("A warm soup", "recipeDescription");
    recipe->setValueForKey("Thai", "cuisine");
    recipe->setValueForKey("4 bowls", "yield");
    recipe->setValueForKey(0, "onlineID");
    setItems(recipe, "ingredients", "RecipeIngredient", "displayString",
        { { 2, "2 eggs" }, { 1, "1 l water" }, { 3, "" }, { 5, "salt" } });
    setItems(recipe, "directions", "Direction", "text", { { 1, "Boil." } });
    setItems(recipe, "notes", "Note", "text", { { 1, "" } });

    const std::optional<QVariantMap> plist = QLMPlistToAndFromRecipeMO::plistFromRecipeMO(recipe);
    ASSERT_TRUE(plist.has_value());
    EXPECT_EQ(plist->value("name"), "Soup");
    EXPECT_FALSE(plist->contains("onlineID"));
    EXPECT_EQ(plist->value("cuisine"), "Thai");
    EXPECT_FALSE(plist->contains("category"));
    EXPECT_EQ(plist->value("yield"), "4 bowls");
    EXPECT_EQ(plist->value("ingredients").toStringList(), QStringList({ "1 l water", "2 eggs", "salt" }));
    EXPECT_EQ(plist->value("directions").toStringList(), QStringList({ "Boil." }));
    EXPECT_FALSE(plist->contains("notes"));
    EXPECT_TRUE(plist->value("vrcText").toString().contains("Soup"));

    recipe->setValueForKey(42, "onlineID");
    EXPECT_EQ(QLMPlistToAndFromRecipeMO::plistFromRecipeMO(recipe)->value("onlineID").toInt(), 42);
    EXPECT_FALSE(QLMPlistToAndFromRecipeMO::plistFromRecipeMO(nullptr).has_value());
}

TEST_F(PlistMappingTest, RoundTripKeepsFieldsAndItems)
{
    RecipeMO* recipe = makeRecipe("Bread");
    recipe->setValueForKey("Crusty", "recipeDescription");
    recipe->setValueForKey(7, "onlineID");
    recipe->setValueForKey(3, "rating");
    recipe->setValueForKey("Bakery", "category");
    const QDateTime added = QDateTime::fromString("2020-05-01T10:00:00Z", Qt::ISODate);
    recipe->setValueForKey(added, "dateAdded");
    setItems(recipe, "ingredients", "RecipeIngredient", "displayString",
        { { 1, "500 g flour" }, { 2, "1 tsp salt" } });
    const QVariantMap plist = *QLMPlistToAndFromRecipeMO::plistFromRecipeMO(recipe);

    RecipeMO* copy = QLMPlistToAndFromRecipeMO::recipeManagedObjectFromPlist(plist);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, recipe);
    clock.advance(0);
    EXPECT_EQ(copy->valueForKey("name"), "Bread");
    EXPECT_EQ(copy->valueForKey("recipeDescription"), "Crusty");
    EXPECT_EQ(copy->valueForKey("onlineID").toInt(), 7);
    EXPECT_EQ(copy->valueForKey("rating").toInt(), 3);
    EXPECT_EQ(copy->valueForKey("dateAdded").toDateTime(), added);
    EXPECT_EQ(copy->valueForKeyPath("category.name"), "Bakery");
    EXPECT_FALSE(copy->valueForKey("createdLocally").toBool());
    EXPECT_EQ(QLMPlistToAndFromRecipeMO::plistFromRecipeMO(copy)->value("ingredients").toStringList(),
        QStringList({ "500 g flour", "1 tsp salt" }));
}

TEST_F(PlistMappingTest, ReadingRulesTable)
{
    RecipeMO* source = makeRecipe("Card Name");
    source->setValueForKey(9, "onlineID");
    const QString card = QLMPlistToAndFromRecipeMO::plistFromRecipeMO(source)->value("vrcText").toString();
    context->deleteObject(source);
    context->processPendingChanges();

    // No card text: no recipe.
    EXPECT_EQ(QLMPlistToAndFromRecipeMO::recipeManagedObjectFromPlist({ { "name", "x" } }), nullptr);
    // No name in the list: the card's name is not taken (the recipe shows the placeholder name).
    RecipeMO* unnamed = QLMPlistToAndFromRecipeMO::recipeManagedObjectFromPlist({ { "vrcText", card } });
    ASSERT_NE(unnamed, nullptr);
    EXPECT_NE(unnamed->valueForKey("name").toString(), "Card Name");
    // A UUID in "onlineID" leaves the card's identifier alone.
    RecipeMO* device = QLMPlistToAndFromRecipeMO::recipeManagedObjectFromPlist(
        { { "vrcText", card }, { "name", "N" }, { "onlineID", "0A0B0C0D-0000-0000-0000-000000000000" } });
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->valueForKey("onlineID"), unnamed->valueForKey("onlineID"));
    // A value of the wrong type is skipped with a log line.
    Log::Capture log;
    RecipeMO* wrong = QLMPlistToAndFromRecipeMO::recipeManagedObjectFromPlist(
        { { "vrcText", card }, { "name", "Good" }, { "rating", "five" }, { "created", 12 } });
    ASSERT_NE(wrong, nullptr);
    EXPECT_EQ(wrong->valueForKey("name"), "Good");
    EXPECT_EQ(log.lines().size(), 2);
}

TEST_F(PlistMappingTest, SeveralCardsMakeOneRecipe)
{
    RecipeMO* a = makeRecipe("First");
    RecipeMO* b = makeRecipe("Second");
    const QString cards = QLMPlistToAndFromRecipeMO::plistFromRecipeMO(a)->value("vrcText").toString() + "\n"
        + QLMPlistToAndFromRecipeMO::plistFromRecipeMO(b)->value("vrcText").toString();
    const qsizetype before = fetchAll("Recipe").size();
    RecipeMO* made = QLMPlistToAndFromRecipeMO::recipeManagedObjectFromPlist(
        { { "vrcText", cards }, { "name", "One" } });
    ASSERT_NE(made, nullptr);
    context->processPendingChanges();
    EXPECT_EQ(fetchAll("Recipe").size(), before + 1);
}

TEST_F(PlistMappingTest, ReceivedPictureIsKeptAndShown)
{
    RecipeMO* source = makeRecipe("Pie");
    const QVariantMap plist = *QLMPlistToAndFromRecipeMO::plistFromRecipeMO(source);
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
    }
    RecipeMO* made = QLMPlistToAndFromRecipeMO::recipeManagedObjectFromPlist(plist, png);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->valueForKey("hasImage").toBool());
    EXPECT_FALSE(made->valueForKey("changedImage").toBool());
    EXPECT_FALSE(made->valueForKeyPath("image.isDefaultImage").toBool());
    EXPECT_FALSE(
        QLMPlistToAndFromRecipeMO::imageForRecipeMO(QVariant::fromValue(static_cast<ManagedObject*>(made)))
            .isNull());
}

TEST_F(PlistMappingTest, DeviceFormGetsAPermalinkOrAUUID)
{
    WebServiceStub stub;
    QLMKitchoraCloudAgent agent { stub.baseURL() };
    stub.route(
        "GET", "/recipes/12/permalink", WebServiceStub::Reply::text("http://service/r/12", "text/plain"));

    RecipeMO* online = makeRecipe("Online");
    online->setValueForKey(12, "onlineID");
    std::optional<QVariantMap> onlinePlist;
    int calls = 0;
    QLMPlistToAndFromRecipeMO::plistFromRecipeMO(
        QVariant::fromValue(static_cast<ManagedObject*>(online)),
        [&](const std::optional<QVariantMap>& plist, const Error& error) {
            ++calls;
            onlinePlist = plist;
            EXPECT_TRUE(error.isNull());
        },
        agent);
    ASSERT_TRUE(settle([&] { return calls == 1; }));
    EXPECT_EQ(onlinePlist->value("permalink"), "http://service/r/12");
    EXPECT_EQ(onlinePlist->value("onlineID").toInt(), 12);

    RecipeMO* local = makeRecipe("Local");
    std::optional<QVariantMap> localPlist;
    QLMPlistToAndFromRecipeMO::plistFromRecipeMO(
        QVariant::fromValue(static_cast<ManagedObject*>(local)),
        [&](const std::optional<QVariantMap>& plist, const Error&) {
            ++calls;
            localPlist = plist;
        },
        agent);
    ASSERT_TRUE(settle([&] { return calls == 2; }));
    EXPECT_EQ(localPlist->value("onlineID").toString().size(), 36);

    Error invalid;
    QLMPlistToAndFromRecipeMO::plistFromRecipeMO(
        QVariant(),
        [&](const std::optional<QVariantMap>& plist, const Error& error) {
            ++calls;
            EXPECT_FALSE(plist.has_value());
            invalid = error;
        },
        agent);
    ASSERT_TRUE(settle([&] { return calls == 3; }));
    EXPECT_EQ(invalid.localizedDescription, "recipe parameter is not a valid RecipeMO object");
    stub.settle();
}
