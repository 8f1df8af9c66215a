#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <functional>

class ManagedObject;
class ManagedObjectContext;

// The library as scripts see it, on the session bus: service "org.kitchora.Kitchora", object "/",
// interface "org.kitchora.Kitchora.Application". Objects are addressed by "name:<name>",
// "index:<n>" (from 0) or their object URI; element keys and recipe lists are those of
// ScriptingObjectModel. The same service takes the files a second launch hands over.
class KRApplicationScripting : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kitchora.Kitchora.Application")

public:
    static QString serviceName() { return QStringLiteral("org.kitchora.Kitchora"); }
    static QString objectPath() { return QStringLiteral("/"); }
    static QString interfaceName() { return QStringLiteral("org.kitchora.Kitchora.Application"); }

    struct Hooks {
        std::function<ManagedObjectContext*()> context;
        std::function<ManagedObject*()> selectedRecipe;
        std::function<void(const QStringList& paths)> openFiles;
        // Opens the import window with the text; answers the message when it is of no use.
        std::function<QString(const QString& text)> importText;
    };

    explicit KRApplicationScripting(Hooks hooks, QObject* parent = nullptr);

    // Exports the object and takes the service name; false when another program holds the name
    // (or the bus is missing).
    bool registerOn(QDBusConnection connection);
    // Hands `paths` to the program that holds the service; false when none answers.
    static bool handFilesToRunningProgram(QDBusConnection connection, const QStringList& paths);
    // Hands text to the running program's import window; false when none answers. The program's
    // message for text of no use goes to `error`.
    static bool handTextToRunningProgram(QDBusConnection connection, const QString& text, QString* error);

public slots:
    // The names of the element list's objects, in store order; empty for an unknown key.
    Q_SCRIPTABLE QStringList elements(const QString& key);
    Q_SCRIPTABLE QString objectURI(const QString& key, const QString& specifier);
    // The recipe the recipe page shows, as an object URI; empty when none.
    Q_SCRIPTABLE QString selectedRecipe();
    Q_SCRIPTABLE QStringList recipeItems(const QString& recipe, const QString& listKey);
    Q_SCRIPTABLE QStringList recipeItemURIs(const QString& recipe, const QString& listKey);
    Q_SCRIPTABLE QString objectSpecifier(const QString& uri);
    // Replaces the recipe's list with the items of the given URIs; false when refused.
    Q_SCRIPTABLE bool setRecipeItems(
        const QString& recipe, const QString& listKey, const QStringList& itemURIs);
    Q_SCRIPTABLE void openFiles(const QStringList& paths);
    // Text handed over by another program opens in the import window, replacing what it held;
    // answers "" or the message for text of no use.
    Q_SCRIPTABLE QString importText(const QString& text);

private:
    ManagedObjectContext* context() const;

    Hooks m_hooks;
};
