// Starts Kitchora: the application controller, the library window and the launch sequence.

#include "KRApplication.h"
#include "KitchoraController.h"
#include "Log.h"
#include "MainWindow.h"
#include "QtPresenter.h"

#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
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
    KitchoraController controller(presenter);
    MainWindow window(controller);
    presenter.setParentWindow(&window);
    controller.setMainWindowAccess(&window);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &controller,
        [&controller] { controller.applicationWillTerminate(); });

    controller.awakeFromNib();
    controller.applicationWillFinishLaunching();
    window.reloadLibrary();
    window.show();
    controller.applicationDidFinishLaunching();
    // Launch may have removed recipes that belong to no collection.
    window.reloadLibrary();

    QTimer::singleShot(0, &window, [&controller, &window, files] {
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
