#include "KRApplication.h"

KRApplication::KRApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setOrganizationName(QStringLiteral("Kitchora"));
    setApplicationName(QStringLiteral("Kitchora"));
}

QString KRApplication::missingDisplayMessage()
{
    // Platforms such as offscreen or vnc draw without a display server.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool needsDisplay
        = platform.isEmpty() || platform.startsWith("xcb") || platform.startsWith("wayland");
    if (!needsDisplay || !qgetenv("DISPLAY").isEmpty() || !qgetenv("WAYLAND_DISPLAY").isEmpty())
        return {};
    return QStringLiteral(
        "kitchora: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
        "set); without one, run it under a virtual X server: xvfb-run -a make run");
}
