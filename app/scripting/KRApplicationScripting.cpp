#include "KRApplicationScripting.h"

#include "ManagedObject.h"
#include "ScriptingObjectModel.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

KRApplicationScripting::KRApplicationScripting(Hooks hooks, QObject* parent)
    : QObject(parent)
    , m_hooks(std::move(hooks))
{
}

bool KRApplicationScripting::registerOn(QDBusConnection connection)
{
    if (!connection.isConnected())
        return false;
    if (!connection.registerService(serviceName()))
        return false;
    return connection.registerObject(objectPath(), this, QDBusConnection::ExportScriptableSlots);
}

bool KRApplicationScripting::handFilesToRunningProgram(QDBusConnection connection, const QStringList& paths)
{
    if (!connection.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        serviceName(), objectPath(), interfaceName(), QStringLiteral("openFiles"));
    call << paths;
    return connection.call(call).type() == QDBusMessage::ReplyMessage;
}

bool KRApplicationScripting::handTextToRunningProgram(
    QDBusConnection connection, const QString& text, QString* error)
{
    if (!connection.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        serviceName(), objectPath(), interfaceName(), QStringLiteral("importText"));
    call << text;
    const QDBusMessage reply = connection.call(call);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return false;
    if (error && !reply.arguments().isEmpty())
        *error = reply.arguments().constFirst().toString();
    return true;
}

ManagedObjectContext* KRApplicationScripting::context() const
{
    return m_hooks.context ? m_hooks.context() : nullptr;
}

QStringList KRApplicationScripting::elements(const QString& key)
{
    QStringList names;
    const ScriptingObjectModel model(context());
    for (ManagedObject* object : model.elements(key).value_or(QList<ManagedObject*>()))
        names.append(ScriptingObjectModel::displayText(object));
    return names;
}

QString KRApplicationScripting::objectURI(const QString& key, const QString& specifier)
{
    const ManagedObject* object = ScriptingObjectModel(context()).elementForSpecifier(key, specifier);
    return object ? object->objectID().URIRepresentation().toString() : QString();
}

QString KRApplicationScripting::selectedRecipe()
{
    const ManagedObject* recipe = m_hooks.selectedRecipe ? m_hooks.selectedRecipe() : nullptr;
    return recipe ? recipe->objectID().URIRepresentation().toString() : QString();
}

QStringList KRApplicationScripting::recipeItems(const QString& recipe, const QString& listKey)
{
    const ScriptingObjectModel model(context());
    QStringList texts;
    for (ManagedObject* item :
        model.recipeList(model.elementForSpecifier(QStringLiteral("recipes"), recipe), listKey))
        texts.append(ScriptingObjectModel::displayText(item));
    return texts;
}

QStringList KRApplicationScripting::recipeItemURIs(const QString& recipe, const QString& listKey)
{
    const ScriptingObjectModel model(context());
    QStringList uris;
    for (ManagedObject* item :
        model.recipeList(model.elementForSpecifier(QStringLiteral("recipes"), recipe), listKey))
        uris.append(item->objectID().URIRepresentation().toString());
    return uris;
}

QString KRApplicationScripting::objectSpecifier(const QString& uri)
{
    const ScriptingObjectModel model(context());
    return model.objectSpecifier(model.objectForURI(QUrl(uri)));
}

bool KRApplicationScripting::setRecipeItems(
    const QString& recipe, const QString& listKey, const QStringList& itemURIs)
{
    ScriptingObjectModel model(context());
    ManagedObject* target = model.elementForSpecifier(QStringLiteral("recipes"), recipe);
    if (!target)
        return false;
    QList<ManagedObject*> items;
    for (const QString& uri : itemURIs) {
        ManagedObject* item = model.objectForURI(QUrl(uri));
        if (!item)
            return false;
        items.append(item);
    }
    return model.setRecipeList(target, listKey, items);
}

void KRApplicationScripting::openFiles(const QStringList& paths)
{
    if (m_hooks.openFiles)
        m_hooks.openFiles(paths);
}

QString KRApplicationScripting::importText(const QString& text)
{
    if (!m_hooks.importText)
        return tr("Text import is not available.");
    return m_hooks.importText(text);
}
