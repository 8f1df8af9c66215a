#include "DeviceSharing.h"

#include "CollectionsController.h"
#include "CollectionsOutlineView.h"
#include "CollectionsTreeModel.h"
#include "ControllerFixture.h"
#include "DBSession.h"
#include "EntityDescription.h"
#include "MutableObjectSet.h"
#include "PropertyList.h"
#include "QLMDropboxController.h"
#include "QLMDropboxPathConstants.h"
#include "QLMPlistToAndFromRecipeMO.h"
#include "RecipePasteboard.h"

#include <QDir>
#include <QMimeData>
#include <QThreadPool>

using namespace QLMDropboxPathConstants;

namespace
{

// The program's device sharing end to end: the application controller with the device sharing
// the program builds, over a scratch synced folder that two other devices already share, and the
// source list's controller as the library window makes it.
class DeviceSharingTest : public ControllerFixture
{
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        ASSERT_TRUE(syncedDir.isValid());
        synced = QFileInfo(syncedDir.path()).canonicalFilePath();
        leaveDevice(QStringLiteral("Phone"), QStringLiteral("PHONE-UDID"));
        leaveDevice(QStringLiteral("Pad"), QStringLiteral("PAD-UDID"));

        sharing = std::make_unique<DeviceSharing>([this] { return synced; });
        // Signing in: the user chooses the synced folder.
        sharing->service().authenticate();
        ASSERT_TRUE(sharing->service().isLinked());

        KitchoraController::Neighbours neighbours;
        neighbours.recipeController = &recipe;
        neighbours.groceryListController = &groceries;
        neighbours.dropbox = &sharing->service();
        controller
            = std::make_unique<KitchoraController>(presenter, neighbours, KitchoraController::Environment {});
        controller->setMainWindowAccess(&window);
        sourceList = std::make_unique<CollectionsController>(*controller);
        controller->setCollectionsController(sourceList.get());
        sharing->showFetchesOn(*sourceList);

        // The launch as the program runs it, up to the window becoming main.
        controller->awakeFromNib();
        controller->applicationWillFinishLaunching();
        sourceList->collectionsTreeController().rearrangeObjects();
        controller->applicationDidFinishLaunching();
        controller->fetchDropboxContents();
        run();
    }

    void TearDown() override
    {
        QThreadPool::globalInstance()->waitForDone();
        controller->setCollectionsController(nullptr);
        sourceList.reset();
        controller.reset();
        sharing.reset();
        ControllerFixture::TearDown();
    }

    // Lets the file work on the thread pool and the main-loop work it posts run to their end.
    void run()
    {
        for (int pass = 0; pass < 40; ++pass) {
            clock.advance(0);
            QThreadPool::globalInstance()->waitForDone();
        }
    }

    // A device's folder with its record, as a device writes it.
    void leaveDevice(const QString& name, const QString& udid)
    {
        const QString folder = synced + QStringLiteral("/Kitchora/Devices/") + name;
        ASSERT_TRUE(QDir().mkpath(folder));
        const QVariantMap info { { QLMDropboxDeviceUDIDKey, udid },
            { QLMDropboxDeviceTypeKey, QStringLiteral("iPhone") }, { QLMDropboxDeviceNameKey, name },
            { QLMDropboxDeviceKitchoraVersionKey, QStringLiteral("3.0") },
            { QLMDropboxDeviceGroceryListSupportKey, true } };
        ASSERT_TRUE(PropertyList::writePropertyList(
            info, folder + u'/' + QLMDropboxDevicePlistFilename, PropertyList::Format::Binary));
    }

    // The source list's rows under the devices folder, by their shown names.
    QStringList deviceRows() const
    {
        const CollectionsTreeModel& model = sourceList->collectionsModel();
        const QModelIndex devices = model.indexOf(controller->devicesFolder());
        QStringList names;
        for (int row = 0; devices.isValid() && row < model.rowCount(devices); ++row)
            names.append(model.index(row, 0, devices).data(Qt::DisplayRole).toString());
        names.sort();
        return names;
    }

    ManagedObject* newLibraryRecipe(const QString& name)
    {
        ManagedObject* made
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), context());
        made->setValueForKey(name, QStringLiteral("name"));
        made->mutableSetValueForKey(QStringLiteral("collections")).addObject(controller->libraryCollection());
        context()->processPendingChanges();
        return made;
    }

    QStringList libraryNames() const
    {
        QStringList names;
        for (ManagedObject* recipe :
            controller->libraryCollection()->objectsForKey(QStringLiteral("recipes")))
            names.append(recipe->valueForKey(QStringLiteral("name")).toString());
        names.sort();
        return names;
    }

    QTemporaryDir syncedDir;
    QString synced;
    std::unique_ptr<DeviceSharing> sharing;
    std::unique_ptr<CollectionsController> sourceList;
};

TEST_F(DeviceSharingTest, TheSourceListShowsTheDevicesWhoseFoldersAreInTheSyncedFolder)
{
    EXPECT_EQ(deviceRows(), QStringList({ QStringLiteral("Pad"), QStringLiteral("Phone") }));
    // This computer claimed a folder of its own beside theirs, which is no device row.
    const QString own = sharing->controller().pathToCurrentDeviceDirectory();
    ASSERT_FALSE(own.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(synced + own + u'/' + QLMDropboxDevicePlistFilename));

    // A device whose folder goes is gone from the list at the next poll.
    ASSERT_TRUE(QDir(synced + QStringLiteral("/Kitchora/Devices/Pad")).removeRecursively());
    clock.advance(KitchoraController::kDropboxPollInterval);
    run();
    EXPECT_EQ(deviceRows(), QStringList({ QStringLiteral("Phone") }));
}

TEST_F(DeviceSharingTest, ARecipeDroppedOnADeviceIsWrittenIntoItsFolder)
{
    ManagedObject* soup = newLibraryRecipe(QStringLiteral("Pumpkin Soup"));
    ASSERT_TRUE(context()->save());
    ManagedObject* phone = nullptr;
    for (ManagedObject* child : controller->devicesFolder()->objectsForKey(QStringLiteral("children"))) {
        if (child->valueForKey(QStringLiteral("name")).toString() == QStringLiteral("Phone"))
            phone = child;
    }
    ASSERT_NE(phone, nullptr);
    QMimeData data;
    RecipePasteboard::writeRecipeURIs(data, { soup->objectID().URIRepresentation() });

    ASSERT_TRUE(sourceList->acceptDrop({ CollectionsController::DragSource::OtherView, &data }, phone, -1));
    run();

    const QString list
        = synced + QStringLiteral("/Kitchora/Devices/Phone/Recipes/") + QLMDropboxRecipePlistFilename;
    const QVariantList sent = PropertyList::propertyListWithContentsOfFile(list).toList();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(sent.first()
                    .toMap()
                    .value(QStringLiteral("vrcText"))
                    .toString()
                    .contains(QStringLiteral("Pumpkin Soup")));
    EXPECT_FALSE(QFileInfo::exists(synced + QStringLiteral("/Kitchora/Devices/Pad/Recipes")));
}

TEST_F(DeviceSharingTest, ARecipeFileLeftInThisComputersFolderArrivesInTheLibrary)
{
    // The card a device would send.
    ManagedObject* source = newLibraryRecipe(QStringLiteral("Rye Bread"));
    clock.advance(0);
    QVariantMap plist = QLMPlistToAndFromRecipeMO::plistFromRecipeMO(source).value();
    plist.insert(QStringLiteral("onlineID"), 4711);
    context()->deleteObject(source);
    ASSERT_TRUE(context()->save());
    ASSERT_FALSE(libraryNames().contains(QStringLiteral("Rye Bread")));

    const QString recipes
        = synced + sharing->controller().pathToCurrentDeviceDirectory() + u'/' + QLMDropboxRecipeDirectory;
    ASSERT_TRUE(QDir().mkpath(recipes));
    ASSERT_TRUE(PropertyList::writePropertyList(
        QVariantList { plist }, recipes + QStringLiteral("/Bread-4711.plist"), PropertyList::Format::Binary));
    bool spinnerShown = false;
    QObject::connect(sourceList.get(), &CollectionsController::progressChanged, sourceList.get(),
        [&] { spinnerShown = spinnerShown || sourceList->progressCount(controller->devicesFolder()) > 0; });

    clock.advance(KitchoraController::kDropboxPollInterval);
    run();

    EXPECT_TRUE(libraryNames().contains(QStringLiteral("Rye Bread")));
    EXPECT_FALSE(context()->hasChanges());
    EXPECT_EQ(QDir(recipes).entryList(QDir::Files), QStringList());
    // The file's fetch showed on the devices folder's row, and ended.
    EXPECT_TRUE(spinnerShown);
    EXPECT_EQ(sourceList->dropboxProgressIndicatorCounter(), 0u);
}

} // namespace
