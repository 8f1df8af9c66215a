#include "DropboxControllerFixture.h"
#include "Log.h"

namespace
{

class QLMDropboxControllerRecipesTest : public DropboxControllerFixture
{
protected:
    QLMDropboxControllerRecipesTest()
    {
        defaults.defaults().setObject(
            QStringLiteral("https://push.example.test/"), QLMDropboxController::QLMPushServiceAddressKey);
    }

    static QVariantMap recipe(const QString& name, const QVariant& onlineID = {})
    {
        QVariantMap plist { { "name", name }, { "vrcText", name } };
        if (onlineID.isValid())
            plist.insert("onlineID", onlineID);
        return plist;
    }
    static QLMKitchoraDevice phone(const QString& token = QStringLiteral("tok"))
    {
        QLMKitchoraDevice device;
        device.setDropboxPath(DropboxControllerFixture::device("Phone"));
        device.setDeviceToken(token);
        device.setSupportsGroceryLists(true);
        return device;
    }
    // Receives once; answers the names of the recipes handed out with their picture bytes.
    QStringList receive(QLMDropboxController& controller, bool made = true)
    {
        QStringList received;
        controller.processRecipePlistsAndImagesIndividuallyWithBlock(
            [&](const QVariantMap& plist, const QByteArray& picture) {
                received << (plist.value("name").toString() + (picture.isEmpty() ? "" : "+" + picture));
                return made;
            });
        run();
        return received;
    }
    static QStringList namesIn(const QVariant& list)
    {
        QStringList names;
        for (const QVariant& item : list.toList())
            names << item.toMap().value("name").toString();
        return names;
    }
};

struct ItemFileCase {
    const char* what;
    QByteArray data;
    bool accepted;
    qsizetype items;
};

QByteArray binary(const QVariant& plist)
{
    return PropertyList::dataWithPropertyList(plist, PropertyList::Format::Binary);
}

} // namespace

TEST(QLMDropboxControllerItems, ItemFilesAreADictionaryOrAnArrayOfDictionaries)
{
    const QList<ItemFileCase> cases {
        { "dictionary", binary(QVariantMap { { "name", "Soup" } }), true, 1 },
        { "array of dictionaries",
            PropertyList::dataWithPropertyList(
                QVariantList { QVariantMap { { "name", "A" } }, QVariantMap { { "name", "B" } } },
                PropertyList::Format::Xml),
            true, 2 },
        { "array with a non-dictionary", binary(QVariantList { QVariantMap { { "name", "A" } }, 3 }), false,
            0 },
        { "garbage", "not a plist at all", false, 0 },
        { "scalar", binary(QStringLiteral("just text")), false, 0 },
    };
    Log::Capture log;
    for (const ItemFileCase& c : cases) {
        QVariantList items { QVariantMap { { "name", "before" } } };
        EXPECT_EQ(QLMDropboxController::addNewPlistData(c.data, items), c.accepted) << c.what;
        EXPECT_EQ(items.size(), 1 + c.items) << c.what;
    }
}

TEST_F(QLMDropboxControllerRecipesTest, AListOfTwoAndASingleFileGiveThreeRecipesAndLeaveNothing)
{
    auto mac = computer("Mac", "OURS");
    writePlist(device("Mac") + "/Recipes/Recipes.plist", QVariantList { recipe("A", 1), recipe("B", 2) });
    writePlist(device("Mac") + "/Recipes/C-3.plist", recipe("C", 3));
    QStringList received = receive(*mac);
    received.sort();
    EXPECT_EQ(received, QStringList({ "A", "B", "C" }));
    EXPECT_EQ(names(device("Mac") + "/Recipes"), QStringList());
}

TEST_F(QLMDropboxControllerRecipesTest, AnEmptyFolderGivesOneEmptyAnswer)
{
    auto mac = computer("Mac", "OURS");
    Log::Capture log;
    EXPECT_EQ(receive(*mac), QStringList({ "" }));
}

TEST_F(QLMDropboxControllerRecipesTest, APictureGoesWithTheRecipeOfItsIdentifier)
{
    auto mac = computer("Mac", "OURS");
    writePlist(device("Mac") + "/Recipes/Recipes.plist",
        QVariantList { recipe("Soup", 42), recipe("Bread", "B-7"), recipe("Tea") });
    write(device("Mac") + "/Recipes/Images/42-imageData.jpg", "soup-jpeg");
    write(device("Mac") + "/Recipes/Images/B-7-imageData.jpg", "bread-jpeg");
    write(device("Mac") + "/Recipes/Images/99-imageData.jpg", "nobody's");
    QStringList received = receive(*mac);
    // Recipes without a picture come after every picture has answered.
    ASSERT_EQ(received.size(), 3);
    EXPECT_EQ(received.last(), "Tea");
    received.sort();
    EXPECT_EQ(received, QStringList({ "Bread+bread-jpeg", "Soup+soup-jpeg", "Tea" }));
    EXPECT_EQ(names(device("Mac") + "/Recipes/Images"), QStringList({ "99-imageData.jpg" }));
}

TEST_F(QLMDropboxControllerRecipesTest, TheFetchCountRisesByTheFilesFetchedAndFallsBackToNothing)
{
    auto mac = computer("Mac", "OURS");
    writePlist(device("Mac") + "/Recipes/Recipes.plist", QVariantList { recipe("Soup", 42), recipe("Tea") });
    writePlist(device("Mac") + "/Recipes/C-3.plist", recipe("C", 3));
    write(device("Mac") + "/Recipes/Images/42-imageData.jpg", "soup-jpeg");
    int count = 0;
    int highest = 0;
    bool belowZero = false;
    mac->setFetchCountObserver([&](int change) {
        count += change;
        highest = std::max(highest, count);
        belowZero = belowZero || count < 0;
    });
    EXPECT_EQ(receive(*mac).size(), 3);
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(belowZero);
    EXPECT_GE(highest, 2); // the two recipe files were announced before either arrived
}

TEST_F(QLMDropboxControllerRecipesTest, APictureStaysWhenNoRecipeWasMadeFromIt)
{
    auto mac = computer("Mac", "OURS");
    writePlist(device("Mac") + "/Recipes/Recipes.plist", QVariantList { recipe("Soup", 42) });
    write(device("Mac") + "/Recipes/Images/42-imageData.jpg", "soup-jpeg");
    EXPECT_EQ(receive(*mac, false), QStringList({ "Soup+soup-jpeg" }));
    EXPECT_EQ(names(device("Mac") + "/Recipes/Images"), QStringList({ "42-imageData.jpg" }));
}

TEST_F(QLMDropboxControllerRecipesTest, AnItemFileThatIsNotAcceptedStays)
{
    auto mac = computer("Mac", "OURS");
    writePlist(device("Mac") + "/Recipes/odd.plist", QVariantList { recipe("A"), 5 });
    Log::Capture log;
    EXPECT_EQ(receive(*mac), QStringList({ "" }));
    EXPECT_TRUE(exists(device("Mac") + "/Recipes/odd.plist"));
}

TEST_F(QLMDropboxControllerRecipesTest, SendingTwoOntoThreeGivesFiveNewestFirstAndOnePush)
{
    writeDevice("Phone", "PHONE", "tok");
    writePlist(
        device("Phone") + "/Recipes/Recipes.plist", QVariantList { recipe("C"), recipe("D"), recipe("E") });
    auto mac = computer("Mac", "OURS");
    mac->addRecipesToDevice({ recipe("A", 11), recipe("B", 12) }, phone("tok en/+"));
    run();
    EXPECT_EQ(namesIn(readPlist(device("Phone") + "/Recipes/Recipes.plist")),
        QStringList({ "A", "B", "C", "D", "E" }));
    EXPECT_EQ(names(device("Phone") + "/Recipes"), QStringList({ "Recipes.plist" }));
    EXPECT_EQ(pushes.join("\n").toStdString(),
        QStringList({ "https://push.example.test/apns-kitchora/client/sendMessageToDevice.php?appId=2"
                      "&deviceToken=tok%20en%2F%2B&message=Mac%20just%20shared%20a%20recipe%20with%20you%21"
                      "&itemId=11&itemType=0" })
            .join("\n")
            .toStdString());
}

TEST_F(QLMDropboxControllerRecipesTest, SendingOntoNoListStartsOneWithoutALog)
{
    auto mac = computer("Mac", "OURS");
    Log::Capture log;
    mac->addRecipesToDevice({ recipe("A") }, phone());
    run();
    const QVariantList list = readPlist(device("Phone") + "/Recipes/Recipes.plist").toList();
    ASSERT_EQ(list.size(), 1);
    // Without an identifier the recipe gets one, which the push names.
    const QString ident = list.first().toMap().value("onlineID").toString();
    EXPECT_EQ(ident.size(), 36);
    ASSERT_EQ(pushes.size(), 1);
    EXPECT_TRUE(pushes.first().endsWith("&itemId=" + ident + "&itemType=0"));
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join("\n").toStdString();
}

TEST_F(QLMDropboxControllerRecipesTest, AFailureReadingTheListSendsNothingAndOverwritesNothing)
{
    writePlist(device("Phone") + "/Recipes/Recipes.plist", QVariantList { recipe("C") });
    const QByteArray before = read(device("Phone") + "/Recipes/Recipes.plist");
    session->faults().failNext(1, DBOperation::MovePath, device("Phone") + "/Recipes/Recipes.plist");
    auto mac = computer("Mac", "OURS");
    Log::Capture log;
    mac->addRecipesToDevice({ recipe("A", 1) }, phone());
    run();
    EXPECT_EQ(read(device("Phone") + "/Recipes/Recipes.plist"), before);
    EXPECT_EQ(names(device("Phone") + "/Recipes"), QStringList({ "Recipes.plist" }));
    EXPECT_TRUE(pushes.isEmpty());
    EXPECT_TRUE(log.contains("Error upon fetching existing recipes.plist"));
}

TEST_F(QLMDropboxControllerRecipesTest, WithoutAPushServiceTheFilesStillArrive)
{
    defaults.defaults().removeObjectForKey(QLMDropboxController::QLMPushServiceAddressKey);
    auto mac = computer("Mac", "OURS");
    Log::Capture log;
    mac->addRecipesToDevice({ recipe("A", 1) }, phone());
    run();
    EXPECT_EQ(namesIn(readPlist(device("Phone") + "/Recipes/Recipes.plist")), QStringList({ "A" }));
    EXPECT_TRUE(pushes.isEmpty());
    EXPECT_TRUE(log.contains("No push service is configured"));
}

TEST_F(QLMDropboxControllerRecipesTest, ADeviceWithoutATokenGetsTheFilesButNoPush)
{
    auto mac = computer("Mac", "OURS");
    mac->addRecipesToDevice({ recipe("A", 1) }, phone(QString()));
    run();
    EXPECT_EQ(namesIn(readPlist(device("Phone") + "/Recipes/Recipes.plist")), QStringList({ "A" }));
    EXPECT_TRUE(pushes.isEmpty());
}

TEST_F(QLMDropboxControllerRecipesTest, PicturesAreUploadedBesideTheList)
{
    auto mac = computer("Mac", "OURS");
    mac->uploadRecipeImageDataToDevice("jpeg", phone(), "11-imageData.jpg");
    run();
    EXPECT_EQ(read(device("Phone") + "/Recipes/Images/11-imageData.jpg"), "jpeg");
}

// Two computers on one folder: one sends to the other while the other receives, their requests
// answered in every order the strategies below give. No recipe may be lost.
TEST_F(QLMDropboxControllerRecipesTest, AConcurrentSenderAndReceiverLoseNothing)
{
    enum Strategy { InOrder, Reversed, OneAtATimeFromTheEnd, Alternating };
    for (Strategy strategy : { InOrder, Reversed, OneAtATimeFromTheEnd, Alternating }) {
        QDir(root + "/Kitchora").removeRecursively();
        auto receiver = computer("Kitchen", "KITCHEN");
        ASSERT_EQ(gate(*receiver), device("Kitchen"));
        writePlist(device("Kitchen") + "/Recipes/Recipes.plist",
            QVariantList { recipe("Old1", 1), recipe("Old2", 2) });
        QLMKitchoraDevice kitchen;
        kitchen.setDropboxPath(device("Kitchen"));
        auto sender = computer("Study", "STUDY");

        QSet<QString> received;
        auto block = [&](const QVariantMap& plist, const QByteArray&) {
            if (!plist.isEmpty()) // an empty answer: nothing was there at that moment
                received.insert(plist.value("name").toString());
            return true;
        };
        session->faults().hold(DBOperation::Any);
        receiver->processRecipePlistsAndImagesIndividuallyWithBlock(block);
        sender->addRecipesToDevice({ recipe("New1", 11), recipe("New2", 12) }, kitchen);
        for (int round = 0; round < 200 && !session->faults().held().isEmpty(); ++round) {
            const int count = int(session->faults().held().size());
            switch (strategy) {
            case InOrder:
                session->faults().release(0);
                break;
            case Reversed:
                session->faults().releaseAllReversed();
                break;
            case OneAtATimeFromTheEnd:
                session->faults().release(count - 1);
                break;
            case Alternating:
                session->faults().release(round % 2 ? 0 : count - 1);
                break;
            }
            run();
        }
        session->faults().stopHolding();
        session->faults().releaseAll();
        run();
        receiver->processRecipePlistsAndImagesIndividuallyWithBlock(block);
        run();
        EXPECT_EQ(received, QSet<QString>({ "Old1", "Old2", "New1", "New2" })) << int(strategy);
        EXPECT_EQ(names(device("Kitchen") + "/Recipes"), QStringList()) << int(strategy);
    }
}

// The sender has moved the list aside to rewrite it when the receiver reads and empties that
// claimed list: the sender starts again from the list as it is then, and its recipes still arrive.
TEST_F(QLMDropboxControllerRecipesTest, ASenderWhoseClaimedListWasReadMeanwhileStartsAgain)
{
    auto receiver = computer("Kitchen", "KITCHEN");
    ASSERT_EQ(gate(*receiver), device("Kitchen"));
    writePlist(device("Kitchen") + "/Recipes/Recipes.plist", QVariantList { recipe("Old", 1) });
    QLMKitchoraDevice kitchen;
    kitchen.setDropboxPath(device("Kitchen"));
    auto sender = computer("Study", "STUDY");
    session->faults().hold(DBOperation::Any);
    sender->addRecipesToDevice({ recipe("New", 11) }, kitchen);
    ASSERT_EQ(session->faults().held().size(), 1); // the move of the list aside
    session->faults().release(0);
    run();
    ASSERT_EQ(session->faults().held().size(), 1); // the reading of the list moved aside
    session->faults().stopHolding();
    EXPECT_EQ(receive(*receiver), QStringList({ "Old" }));
    session->faults().releaseAll();
    run();
    EXPECT_EQ(namesIn(readPlist(device("Kitchen") + "/Recipes/Recipes.plist")), QStringList({ "New" }));
    EXPECT_EQ(receive(*receiver), QStringList({ "New" }));
}

// The process ends after the files were read but before the recipes were handed out and saved:
// the next run receives them all.
TEST_F(QLMDropboxControllerRecipesTest, AKillBetweenReadingAndSavingLosesNothing)
{
    writePlist(device("Mac") + "/Recipes/Recipes.plist", QVariantList { recipe("A", 1), recipe("B", 2) });
    writePlist(device("Mac") + "/Recipes/C-3.plist", recipe("C", 3));
    {
        auto mac = computer("Mac", "OURS");
        session->faults().hold(DBOperation::LoadMetadata, device("Mac") + "/Recipes/Images");
        int calls = 0;
        mac->processRecipePlistsAndImagesIndividuallyWithBlock([&](const QVariantMap&, const QByteArray&) {
            ++calls;
            return true;
        });
        run();
        ASSERT_EQ(session->faults().held().size(), 1);
        EXPECT_EQ(calls, 0);
    }
    session->faults().reset();
    auto again = computer("Mac", "OURS");
    QStringList received = receive(*again);
    received.sort();
    EXPECT_EQ(received, QStringList({ "A", "B", "C" }));
    EXPECT_EQ(names(device("Mac") + "/Recipes"), QStringList());
}

// A picture that cannot be fetched holds nothing up: its recipe arrives without it, and the
// picture stays for the next poll while the recipe's file goes.
TEST_F(QLMDropboxControllerRecipesTest, APictureThatDoesNotLoadStaysAndItsRecipeStillArrives)
{
    auto mac = computer("Mac", "OURS");
    writePlist(
        device("Mac") + "/Recipes/Recipes.plist", QVariantList { recipe("Soup", 42), recipe("Tea", 43) });
    write(device("Mac") + "/Recipes/Images/42-imageData.jpg", "soup-jpeg");
    write(device("Mac") + "/Recipes/Images/43-imageData.jpg", "tea-jpeg");
    session->faults().failNext(1, DBOperation::LoadFile, device("Mac") + "/Recipes/Images/42-imageData.jpg");
    QStringList received = receive(*mac);
    received.sort();
    EXPECT_EQ(received, QStringList({ "Soup", "Tea+tea-jpeg" }));
    EXPECT_EQ(names(device("Mac") + "/Recipes"), QStringList({ "Images" }));
    EXPECT_EQ(names(device("Mac") + "/Recipes/Images"), QStringList({ "42-imageData.jpg" }));
}
