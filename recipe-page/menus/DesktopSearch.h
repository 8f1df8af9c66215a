#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The desktop's own search tool, opened on a text: KDE Plasma's KRunner (asked over the session
// bus) when it runs, else Catfish (a file search program) when it is installed. Without either,
// desktop search is unavailable.
class DesktopSearch
{
public:
    // How the tools are found and started; tests replace it.
    struct Environment {
        std::function<bool(const QString& service)> serviceRegistered;
        // Calls a method with one string argument; false when the call failed.
        std::function<bool(const QString& service, const QString& path, const QString& interface,
            const QString& method, const QString& argument)>
            callBus;
        // The program's path, empty when it is not installed.
        std::function<QString(const QString& program)> findExecutable;
        std::function<bool(const QString& program, const QStringList& arguments)> startDetached;

        static Environment current();
    };

    explicit DesktopSearch(Environment environment = Environment::current());

    // "KRunner" or "Catfish"; empty when neither is found.
    QString toolName() const;
    bool isAvailable() const { return !toolName().isEmpty(); }
    // Opens the tool searching for the text; false when there is none or it could not be started.
    bool showSearchWindow(const QString& text) const;

private:
    Environment m_environment;
};
