// Starts Kitchora: the application controller, the library window and the launch sequence.

#include "DBSession.h"
#include "KRApplication.h"
#include "KitchoraController.h"
#include "Log.h"
#include "MainWindow.h"
#include "QLMDropboxController.h"
#include "QLMKitchoraCloudAgent.h"
#include "QtPresenter.h"
#include "RecipeBackgroundUploader.h"
#include "RunLoop.h"
#include "StartupProbe.h"
#include "UIDevice.h"

#include <QFileDialog>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    // First, so that it times everything after it and is destroyed last.
    const std::unique_ptr<StartupProbe> probe = StartupProbe::fromEnvironment();
    const QString noDisplay = KRApplication::missingDisplayMessage();
    if (!noDisplay.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(noDisplay));
        return 1;
    }
    KRApplication application(argc, argv);
    // Closing the library window quits through the controller's save-and-quit sequence.
    application.setQuitOnLastWindowClosed(false);
    const QStringList files = application.arguments().mid(1);

    QtPresenter presenter;
    // The web recipe service's uploader works on the controller's store, made once launch asks.
    KitchoraController* self = nullptr;
    // Device sharing works on the synced folder the user chose, kept from run to run.
    DBSession::setSharedSession(
        std::make_shared<DBSession>(QStringLiteral("kitchora"), QString(), kDBRootDropbox));
    QLMDropboxController dropbox({ UIDevice::currentDevice().name(),
        UIDevice::currentDevice().saltedUniqueIdentifier(), KitchoraController::buildVersion() });
    dropbox.setFolderChooser([] {
        return QFileDialog::getExistingDirectory(nullptr,
            QCoreApplication::translate("DBAuthHelperOSX", "Choose the folder your sync client keeps"));
    });
    KitchoraController::Neighbours neighbours;
    neighbours.dropbox = &dropbox;
    neighbours.makeUploader = [&self]() -> std::unique_ptr<BackgroundUploaderService> {
        return std::make_unique<RecipeBackgroundUploader>(self->persistentStoreCoordinator(),
            self->managedObjectModel(), QLMKitchoraCloudAgent::sharedCloudAgent(),
            [&self] { return self->uploaderShouldExit(); });
    };
    KitchoraController controller(presenter, std::move(neighbours), {});
    self = &controller;
    QLMKitchoraCloudAgent::setUsernameProvider([&controller] { return controller.getUsername(); });
    MainWindow window(controller);
    presenter.setParentWindow(&window);
    controller.setMainWindowAccess(&window);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &controller,
        [&controller] { controller.applicationWillTerminate(); });

    controller.awakeFromNib();
    controller.applicationWillFinishLaunching();
    window.reloadLibrary();
    if (probe)
        probe->watch(&window);
    window.show();
    controller.applicationDidFinishLaunching();

    // Posted after the launch's own next-pass work (the clean-up of recipes that belong to no
    // collection), so the lists are read again once that is done.
    RunLoop::postToMain([&controller, &window, files] {
        window.reloadLibrary();
        // Without a window manager the window may never be activated; the first-run question
        // must come all the same.
        if (controller.isSetupSheetPending())
            window.windowDidBecomeMain();
        if (!files.isEmpty())
            Log::logf(QStringLiteral("opening files is not built yet: %1"), files.join(QStringLiteral(", ")));
    });

    const int status = application.exec();
    controller.setMainWindowAccess(nullptr);
    return status;
}
