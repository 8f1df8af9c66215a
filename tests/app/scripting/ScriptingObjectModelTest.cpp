#include "ScriptingObjectModel.h"

#include "EntityDescription.h"
#include "EventLoopWait.h"
#include "KRApplicationScripting.h"
#include "ModelStoreFixture.h"
#include "RecipeMO.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace
{

class ScriptingObjectModelTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        toast = insertNamed(QStringLiteral("Recipe"), QStringLiteral("Toast"));
        clock.advance(0);
        auto* recipe = dynamic_cast<RecipeMO*>(toast);
        ASSERT_NE(recipe, nullptr);
        // Three directions numbered 1..3 (the placeholder becomes the first).
        for (const char* text : { "Slice", "Toast", "Butter" }) {
            const QList<ManagedObject*> existing = recipe->sortedItemsForKey(QStringLiteral("directions"));
            ManagedObject* last = existing.isEmpty() ? nullptr : existing.last();
            if (!last || !last->valueForKey(QStringLiteral("text")).toString().isEmpty()) {
                recipe->addInstanceOfClass(QStringLiteral("DirectionMO"), quint64(existing.size() + 1));
                last = recipe->sortedItemsForKey(QStringLiteral("directions")).last();
            }
            last->setValueForKey(QString::fromLatin1(text), QStringLiteral("text"));
        }
        manual = makeCollection(QStringLiteral("RBCollectionKindManualCollection"));
        manual->setValueForKey(QStringLiteral("Breakfast"), QStringLiteral("name"));
        smart = insert(QStringLiteral("SmartCollection"));
        smart->setValueForKey(QStringLiteral("Quick"), QStringLiteral("name"));
        insertNamed(QStringLiteral("Kitchen"), QStringLiteral("Home"));
        ASSERT_TRUE(save());
    }

    QStringList directionTexts()
    {
        QStringList texts;
        for (ManagedObject* item :
            ScriptingObjectModel(context.get()).recipeList(toast, QStringLiteral("ASdirections")))
            texts.append(QStringLiteral("%1:%2")
                             .arg(item->valueForKey(QStringLiteral("index")).toLongLong())
                             .arg(item->valueForKey(QStringLiteral("text")).toString()));
        return texts;
    }

    ManagedObject* toast = nullptr;
    ManagedObject* manual = nullptr;
    ManagedObject* smart = nullptr;
};

} // namespace

TEST_F(ScriptingObjectModelTest, ElementListsAndSpecifiers)
{
    const ScriptingObjectModel model(context.get());
    ASSERT_EQ(directionTexts(), (QStringList { "1:Slice", "2:Toast", "3:Butter" }));
    // Collections are the manual ones only.
    const QList<ManagedObject*> collections = model.elements(QStringLiteral("collections")).value();
    EXPECT_TRUE(collections.contains(manual));
    EXPECT_FALSE(collections.contains(smart));
    EXPECT_FALSE(model.elements(QStringLiteral("spoons")).has_value());

    EXPECT_EQ(model.elementForSpecifier(QStringLiteral("recipes"), QStringLiteral("name:Toast")), toast);
    EXPECT_EQ(model.elementForSpecifier(QStringLiteral("recipes"), QStringLiteral("index:0")), toast);
    EXPECT_EQ(model.elementForSpecifier(QStringLiteral("recipes"), QStringLiteral("index:1")), nullptr);
    EXPECT_EQ(model.elementForSpecifier(
                  QStringLiteral("recipes"), toast->objectID().URIRepresentation().toString()),
        toast);
    // A URI of another list's object is not a recipe.
    EXPECT_EQ(model.elementForSpecifier(
                  QStringLiteral("recipes"), manual->objectID().URIRepresentation().toString()),
        nullptr);

    EXPECT_EQ(model.objectSpecifier(toast), QStringLiteral("recipes[name=\"Toast\"]"));
    EXPECT_EQ(model.objectSpecifier(manual), QStringLiteral("collections[name=\"Breakfast\"]"));
    // Item 2 (counted from 0) is the line with index 3.
    const QList<ManagedObject*> directions = model.recipeList(toast, QStringLiteral("ASdirections"));
    EXPECT_EQ(
        model.objectSpecifier(directions.at(2)), QStringLiteral("recipes[name=\"Toast\"]/ASdirections[2]"));
    EXPECT_EQ(directions.at(2)->valueForKey(QStringLiteral("index")).toLongLong(), 3);
}

TEST_F(ScriptingObjectModelTest, WritingAListRenumbersDeletesTheReplacedAndKeepsThePlaceholder)
{
    ScriptingObjectModel model(context.get());
    const QList<ManagedObject*> directions = model.recipeList(toast, QStringLiteral("ASdirections"));
    // The order given does not matter: their own indexes do.
    ASSERT_TRUE(
        model.setRecipeList(toast, QStringLiteral("ASdirections"), { directions.at(2), directions.at(0) }));
    EXPECT_EQ(directionTexts(), (QStringList { "1:Slice", "2:Butter" }));
    EXPECT_TRUE(directions.at(1)->isDeleted());

    // Something that is no direction refuses the whole write.
    EXPECT_FALSE(model.setRecipeList(toast, QStringLiteral("ASdirections"), { directions.at(0), manual }));
    EXPECT_EQ(directionTexts(), (QStringList { "1:Slice", "2:Butter" }));
    EXPECT_FALSE(model.setRecipeList(toast, QStringLiteral("ASsteps"), {}));

    ASSERT_TRUE(model.setRecipeList(toast, QStringLiteral("ASdirections"), {}));
    const QStringList left = directionTexts();
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left.first(), QStringLiteral("1:"));
}

TEST_F(ScriptingObjectModelTest, RoundTripOverAPrivateSessionBus)
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed: the bus round trip is not tested";
    QProcess bus;
    bus.start(daemon,
        { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
            QStringLiteral("--print-address=1") });
    ASSERT_TRUE(bus.waitForStarted());
    ASSERT_TRUE(waitUntil([&bus] { return bus.canReadLine(); }));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    ASSERT_FALSE(address.isEmpty());
    {
        QDBusConnection server
            = QDBusConnection::connectToBus(address, QStringLiteral("kitchora-test-server"));
        QDBusConnection client
            = QDBusConnection::connectToBus(address, QStringLiteral("kitchora-test-client"));
        ASSERT_TRUE(server.isConnected());
        QStringList opened;
        QStringList handed;
        KRApplicationScripting scripting({ [this] { return context.get(); }, [this] { return toast; },
            [&opened](const QStringList& paths) { opened = paths; },
            [&handed](const QString& text) {
                handed.append(text);
                return text.isEmpty() ? QStringLiteral("no text") : QString();
            } });
        ASSERT_TRUE(scripting.registerOn(server));
        // A second program finds the name taken.
        KRApplicationScripting second({});
        EXPECT_FALSE(second.registerOn(client));

        auto call = [&client](const QString& method, const QVariantList& arguments) {
            QDBusMessage message = QDBusMessage::createMethodCall(KRApplicationScripting::serviceName(),
                KRApplicationScripting::objectPath(), KRApplicationScripting::interfaceName(), method);
            message.setArguments(arguments);
            QDBusPendingCall pending = client.asyncCall(message);
            EXPECT_TRUE(waitUntil([&pending] { return pending.isFinished(); }));
            const QDBusMessage reply = pending.reply();
            EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << qPrintable(reply.errorMessage());
            return reply.arguments().value(0);
        };

        EXPECT_EQ(call(QStringLiteral("elements"), { QStringLiteral("recipes") }).toStringList(),
            QStringList { "Toast" });
        EXPECT_EQ(call(QStringLiteral("elements"), { QStringLiteral("collections") }).toStringList(),
            QStringList { "Breakfast" });
        EXPECT_EQ(call(QStringLiteral("elements"), { QStringLiteral("kitchens") }).toStringList(),
            QStringList { "Home" });
        EXPECT_EQ(call(QStringLiteral("selectedRecipe"), {}).toString(),
            toast->objectID().URIRepresentation().toString());
        EXPECT_EQ(call(QStringLiteral("recipeItems"),
                      { QStringLiteral("name:Toast"), QStringLiteral("ASdirections") })
                      .toStringList(),
            (QStringList { "Slice", "Toast", "Butter" }));
        const QStringList uris = call(
            QStringLiteral("recipeItemURIs"), { QStringLiteral("index:0"), QStringLiteral("ASdirections") })
                                     .toStringList();
        ASSERT_EQ(uris.size(), 3);
        EXPECT_EQ(call(QStringLiteral("objectSpecifier"), { uris.at(2) }).toString(),
            QStringLiteral("recipes[name=\"Toast\"]/ASdirections[2]"));
        EXPECT_TRUE(call(QStringLiteral("setRecipeItems"),
            { QStringLiteral("name:Toast"), QStringLiteral("ASdirections"), QStringList { uris.at(1) } })
                        .toBool());
        EXPECT_EQ(directionTexts(), QStringList { "1:Toast" });
        EXPECT_FALSE(call(QStringLiteral("setRecipeItems"),
            { QStringLiteral("name:Toast"), QStringLiteral("ASdirections"),
                QStringList { QStringLiteral("https://x") } })
                         .toBool());

        call(QStringLiteral("openFiles"), { QStringList { QStringLiteral("/tmp/a.vrc") } });
        EXPECT_EQ(opened, QStringList { "/tmp/a.vrc" });

        // Text handed over reaches the import window; its answer goes back to the sender.
        EXPECT_EQ(call(QStringLiteral("importText"), { QStringLiteral("2 cups flour") }).toString(), "");
        EXPECT_EQ(call(QStringLiteral("importText"), { QString() }).toString(), "no text");
        EXPECT_EQ(handed, (QStringList { "2 cups flour", "" }));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("kitchora-test-server"));
    QDBusConnection::disconnectFromBus(QStringLiteral("kitchora-test-client"));
    bus.terminate();
    bus.waitForFinished();
}
