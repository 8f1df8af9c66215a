#include "RecipeMetaDataExporter.h"

#include "FetchRequest.h"
#include "IsEmpty.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "Predicate.h"
#include "PropertyList.h"
#include "RecipeCollection.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <cstdio>

namespace
{

const QString extension = QStringLiteral("recipemetadata");
// The longest file name most file systems take, in bytes.
constexpr qsizetype maximumFileNameBytes = 255;

QString untitledRecipe()
{
    return QCoreApplication::translate("Kitchora", "Untitled Recipe");
}

QString processName()
{
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return executable.isEmpty() ? QCoreApplication::applicationName() : executable;
}

// The text without what XML 1.0 cannot carry: NUL and the other C0 controls but tab, line feed
// and carriage return, lone surrogates, U+FFFE and U+FFFF. A recipe named with any of them still
// gets its file; the rest of its text is kept.
QString xmlSafe(const QString& text)
{
    const auto allowed = [](char16_t c) {
        return (c >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r') && c != 0xFFFE && c != 0xFFFF;
    };
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out.append(c);
            out.append(text.at(++i));
        } else if (!c.isSurrogate() && allowed(c.unicode())) {
            out.append(c);
        }
    }
    return out;
}

QString stringValue(const ManagedObject* object, const QString& keyPath)
{
    const QVariant value = object->valueForKeyPath(keyPath);
    return value.typeId() == QMetaType::QString ? xmlSafe(value.toString()) : QString();
}

QString recipeTitle(const ManagedObject* recipe)
{
    const QString name = stringValue(recipe, QStringLiteral("name"));
    return isEmpty(name) ? untitledRecipe() : name;
}

// One path component that stays inside the folder and that indexers look at: no separator, no
// parent reference, no NUL, and no leading dot (hidden files are not indexed).
QString safeComponent(QString text)
{
    text.replace(u'/', u'_');
    text.replace(QChar(u'\0'), u'_');
    text.replace(QStringLiteral(".."), QStringLiteral("_"));
    if (text.startsWith(u'.'))
        text[0] = u'_';
    return text;
}

// Shortens the name so that the whole file name fits the file system, never splitting a
// surrogate pair; the object id tail keeps shortened names apart.
QString fittedName(QString name, const QString& suffix)
{
    const qsizetype room = maximumFileNameBytes - suffix.toUtf8().size();
    while (!name.isEmpty() && name.toUtf8().size() > room) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return name;
}

std::optional<QList<ManagedObject*>> libraryRecipes(ManagedObjectContext* context)
{
    QString parseError;
    const std::optional<Predicate> predicate = Predicate::predicateWithFormat(
        QStringLiteral("ANY collections.kind != %@"), { KRCollectionKindSearchCache }, &parseError);
    if (!predicate) {
        Log::log(QStringLiteral("Saving metadata: %1").arg(parseError));
        return std::nullopt;
    }
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
    request.setPredicate(*predicate);
    return context->executeFetchRequest(request);
}

bool ensureFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    if (QDir().mkpath(folder))
        return true;
    const bool exists = QFileInfo::exists(folder);
    const QString reason = exists ? QStringLiteral("%1 is not a folder").arg(folder) : QString();
    Log::log(QStringLiteral("Saving metadata: unable to create meta data directory structure%1%2.")
                 .arg(reason.isEmpty() ? QString() : QStringLiteral(": "), reason));
    return false;
}

// Writes the bytes unless the file already holds exactly them. Atomic: an interrupted write
// leaves the previous file, never a damaged one. The new file is renamed over the path, so
// whatever stands there (a symbolic link planted in the folder included) is replaced, never
// followed to write somewhere else.
bool writeIfChanged(const QString& path, const QByteArray& data)
{
    const QFileInfo info(path);
    if (!info.isSymLink()) {
        QFile existing(path);
        if (existing.open(QIODevice::ReadOnly) && existing.size() == data.size()
            && existing.readAll() == data)
            return true;
    }
    QTemporaryFile file(info.absolutePath() + QStringLiteral("/.XXXXXX.partial"));
    if (!file.open())
        return false;
    if (file.write(data) != data.size() || !file.flush())
        return false;
    file.setPermissions(
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        return false;
    file.setAutoRemove(false);
    return true;
}

// Files of recipes that are gone from the library, or that were written under an older name.
void removeStaleFiles(const QString& folder, const QSet<QString>& current)
{
    const QStringList files
        = QDir(folder).entryList({ QStringLiteral("*.") + extension }, QDir::Files | QDir::Hidden);
    for (const QString& name : files) {
        if (current.contains(name))
            continue;
        if (!QFile::remove(QDir(folder).filePath(name)))
            Log::log(QStringLiteral("Saving metadata: unable to remove stale meta data file %1")
                         .arg(QDir(folder).filePath(name)));
    }
}

} // namespace

QString RecipeMetaDataExporter::metaDataFolderPath()
{
    const QString caches = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (caches.isEmpty())
        return {};
    return QDir(caches).filePath(QStringLiteral("Metadata/") + safeComponent(processName()));
}

QString RecipeMetaDataExporter::fileNameForRecipe(const ManagedObject* recipe)
{
    const QString uri = recipe->objectID().URIRepresentation().toString();
    const QString marker = QStringLiteral("Recipe/");
    const qsizetype at = uri.indexOf(marker);
    const QString tail = at < 0 ? uri : uri.mid(at + marker.size());
    const QString suffix = QStringLiteral("-%1.%2").arg(safeComponent(tail), extension);
    return fittedName(safeComponent(recipeTitle(recipe)), suffix) + suffix;
}

QVariantMap RecipeMetaDataExporter::metaDataForRecipe(const ManagedObject* recipe)
{
    QVariantMap metadata;
    const auto putString = [&](const QString& key, const QString& value) {
        if (!isEmpty(value))
            metadata.insert(key, value);
    };
    putString(QStringLiteral("title"), recipeTitle(recipe));
    putString(QStringLiteral("recipeDescription"), stringValue(recipe, QStringLiteral("recipeDescription")));
    putString(QStringLiteral("author"), stringValue(recipe, QStringLiteral("kitchen.name")));
    putString(QStringLiteral("cuisine"), stringValue(recipe, QStringLiteral("cuisine.name")));
    putString(QStringLiteral("category"), stringValue(recipe, QStringLiteral("category.name")));
    putString(QStringLiteral("cookTime"), stringValue(recipe, QStringLiteral("cookTime")));

    const QVariant rating = recipe->valueForKey(QStringLiteral("rating"));
    if (rating.isValid() && !rating.isNull())
        metadata.insert(QStringLiteral("starRating"), rating.toDouble());
    const QVariant dateAdded = recipe->valueForKey(QStringLiteral("dateAdded"));
    if (dateAdded.typeId() == QMetaType::QDateTime && dateAdded.toDateTime().isValid())
        metadata.insert(QStringLiteral("contentCreationDate"), dateAdded.toDateTime());

    QStringList ingredients;
    for (const ManagedObject* line : recipe->objectsForKey(QStringLiteral("ingredients"))) {
        const ManagedObject* ingredient = line->objectForKey(QStringLiteral("baseIngredient"));
        const QString name = ingredient ? stringValue(ingredient, QStringLiteral("name")) : QString();
        if (!isEmpty(name) && !ingredients.contains(name))
            ingredients.append(name);
    }
    // Sorted, so that an unchanged recipe gives the same bytes and its file is left alone.
    ingredients.sort();
    if (!ingredients.isEmpty())
        metadata.insert(QStringLiteral("ingredients"), ingredients);

    metadata.insert(QStringLiteral("coreDataObjectID"), recipe->objectID().URIRepresentation().toString());
    return metadata;
}

void RecipeMetaDataExporter::exportMetaData()
{
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    if (!context)
        return;
    // Without a trustworthy list of the library, no file may be judged stale.
    const std::optional<QList<ManagedObject*>> recipes = libraryRecipes(context);
    if (!recipes)
        return;

    const QString folder = metaDataFolderPath();
    if (folder.isEmpty())
        return;
    if (recipes->isEmpty() && !QFileInfo::exists(folder))
        return;
    if (!ensureFolder(folder))
        return;

    QSet<QString> current;
    for (const ManagedObject* recipe : *recipes) {
        const QString name = fileNameForRecipe(recipe);
        const QString path = QDir(folder).filePath(name);
        current.insert(name);
        Error error;
        const QByteArray data = PropertyList::dataWithPropertyList(
            metaDataForRecipe(recipe), PropertyList::Format::Xml, &error);
        if (data.isEmpty() || !writeIfChanged(path, data))
            Log::log(QStringLiteral("unable to export recipe meta data to path: %1").arg(path));
    }
    removeStaleFiles(folder, current);
}
