#pragma once

#include "FakeNeighbours.h"
#include "KitchoraController.h"
#include "ManagedObjectContext.h"
#include "RecordingPresenter.h"
#include "ScratchUserDefaults.h"
#include "VirtualClock.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// An application controller with scratch per-user folders (data, caches, temporary files), scratch
// user defaults, a virtual clock, a recording presenter and doubles of every neighbour. Tests make
// the controller with makeController() and may make another one later on the same folders (a
// second launch).
class ControllerFixture : public ::testing::Test
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        for (const char* name : { "XDG_DATA_HOME", "XDG_CACHE_HOME", "TMPDIR" })
            saved.append({ name, qgetenv(name) });
        qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("XDG_CACHE_HOME", root.filePath(QStringLiteral("cache")).toLocal8Bit());
        QDir(root.path()).mkpath(QStringLiteral("tmp"));
        qputenv("TMPDIR", root.filePath(QStringLiteral("tmp")).toLocal8Bit());
    }

    void TearDown() override
    {
        controller.reset();
        for (const auto& [name, value] : saved) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }

    KitchoraController& makeController(KitchoraController::Environment environment = {})
    {
        controller.reset();
        KitchoraController::Neighbours neighbours;
        neighbours.recipeController = &recipe;
        neighbours.collectionsController = &collections;
        neighbours.groceryListController = &groceries;
        neighbours.dropbox = &dropbox;
        neighbours.cloudAccount = cloudAccount;
        neighbours.makeUploader = [this] { return std::make_unique<FakeUploader>(&uploaderStarts); };
        controller = std::make_unique<KitchoraController>(presenter, neighbours, std::move(environment));
        controller->setMainWindowAccess(&window);
        return *controller;
    }

    // The launch up to the run loop, as the program runs it.
    KitchoraController& launch(KitchoraController::Environment environment = {})
    {
        KitchoraController& c = makeController(std::move(environment));
        c.awakeFromNib();
        c.applicationWillFinishLaunching();
        c.applicationDidFinishLaunching();
        clock.advance(0);
        return c;
    }

    ManagedObjectContext* context() { return controller->managedObjectContext(); }

    QTemporaryDir root;
    QList<std::pair<const char*, QByteArray>> saved;
    ScratchUserDefaults defaults;
    VirtualClock clock;
    RecordingPresenter presenter;
    FakeRecipeController recipe;
    FakeCollectionsController collections;
    FakeGroceryListController groceries;
    FakeDropbox dropbox;
    FakeMainWindow window;
    int uploaderStarts = 0;
    CloudAccountService* cloudAccount = nullptr; // nullptr: the unconfigured one
    std::unique_ptr<KitchoraController> controller;
};
