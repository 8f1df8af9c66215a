// Starts Kitchora: the application controller, the library window and the launch sequence.

#include "KRApplication.h"
#include "KRApplicationScripting.h"
#include "KitchoraController.h"
#include "Log.h"
#include "MainWindow.h"
#include "MoveToApplications.h"
#include "PreferencesController.h"
#include "QLMKitchoraCloudAgent.h"
#include "QtPresenter.h"
#include "RecipeBackgroundUploader.h"
#include "RunLoop.h"
#include "StartupProbe.h"

#include <QFileInfo>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    // First, so that it times everything after it and is destroyed last.
    const std::unique_ptr<StartupProbe> probe = StartupProbe::fromEnvironment();
    // An installed copy is asked its version before it is replaced.
    if (argc == 2 && qstrcmp(argv[1], "--version") == 0) {
        std::printf("kitchora %s\n", qPrintable(KitchoraController::majorVersion()));
        return 0;
    }
    const QString noDisplay = KRApplication::missingDisplayMessage();
    if (!noDisplay.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(noDisplay));
        return 1;
    }
    KRApplication application(argc, argv);
    // Closing the library window quits through the controller's save-and-quit sequence.
    application.setQuitOnLastWindowClosed(false);
    const QStringList files = application.arguments().mid(1);

    // One program per user: a second launch hands its files to the running one over the session
    // bus and ends.
    KitchoraController* scriptingController = nullptr;
    MainWindow* scriptingWindow = nullptr;
    KRApplicationScripting scripting({ [&scriptingController] {
                                          return scriptingController
                                              ? scriptingController->managedObjectContext()
                                              : nullptr;
                                      },
        [&scriptingController] {
            return scriptingController ? scriptingController->recipeController().currentRecipe() : nullptr;
        },
        [&scriptingWindow](const QStringList& paths) {
            if (scriptingWindow) {
                scriptingWindow->showNormal();
                scriptingWindow->raise();
                scriptingWindow->activateWindow();
            }
            if (!paths.isEmpty())
                Log::logf(
                    QStringLiteral("opening files is not built yet: %1"), paths.join(QStringLiteral(", ")));
        } });
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && !scripting.registerOn(bus)) {
        QStringList absolute;
        for (const QString& file : files)
            absolute.append(QFileInfo(file).absoluteFilePath());
        if (KRApplicationScripting::handFilesToRunningProgram(bus, absolute))
            return 0;
    }

    QtPresenter presenter;
    // The web recipe service's uploader works on the controller's store, made once launch asks.
    KitchoraController* self = nullptr;
    KitchoraController::Neighbours neighbours;
    neighbours.makeUploader = [&self]() -> std::unique_ptr<BackgroundUploaderService> {
        return std::make_unique<RecipeBackgroundUploader>(self->persistentStoreCoordinator(),
            self->managedObjectModel(), QLMKitchoraCloudAgent::sharedCloudAgent(),
            [&self] { return self->uploaderShouldExit(); });
    };
    KitchoraController controller(presenter, std::move(neighbours), {});
    self = &controller;
    scriptingController = &controller;
    QLMKitchoraCloudAgent::setUsernameProvider([&controller] { return controller.getUsername(); });
    MainWindow window(controller);
    scriptingWindow = &window;
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
    {
        MoveToApplications::Environment environment = MoveToApplications::Environment::current();
        const auto launchCopy = environment.launch;
        // The installed copy must find the bus name free, or it would hand over to this one.
        environment.launch = [launchCopy](const QString& path) {
            QDBusConnection::sessionBus().unregisterService(KRApplicationScripting::serviceName());
            return launchCopy(path);
        };
        controller.installInApplicationsDirectoryIfDesired(environment,
            [](int status) { RunLoop::postToMain([status] { QCoreApplication::exit(status); }); });
    }

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
        // scripts/screenshot pictures a secondary window: "Preferences" or "Preferences/<pane>".
        const QString open = qEnvironmentVariable("KITCHORA_OPEN_WINDOW");
        if (open.section(QLatin1Char('/'), 0, 0) == QStringLiteral("Preferences"))
            window.preferencesController().showPane(open.section(QLatin1Char('/'), 1));
    });

    const int status = application.exec();
    scriptingWindow = nullptr;
    scriptingController = nullptr;
    controller.setMainWindowAccess(nullptr);
    return status;
}
