#include "GetMetadataForFile.h"

#include "AttributeDictionary.h"
#include "IsEmpty.h"
#include "KitchoraImporter.h"
#include "PersistentStoreCoordinator.h"
#include "PropertyList.h"
#include "VRCReader.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <optional>

namespace
{

// Far above what the program writes (a metadata file is a few kilobytes; a card file of 10,000
// recipes about 10 MB): larger files are not ours, and reading them whole would only cost memory.
constexpr qint64 maximumMetaDataFileSize = 16 * 1024 * 1024;
constexpr qint64 maximumVRCFileSize = 64 * 1024 * 1024;

QString translated(const char* text)
{
    return QCoreApplication::translate("KitchoraImporter", text);
}

// A localizable text: the text under the empty-string key.
QVariantMap localizable(const QString& text)
{
    return { { QString(), text } };
}

// Only a regular file of at most `maximumSize` bytes is read: a pipe or device would block the
// indexer or never end.
bool isReadableFile(const QString& path, qint64 maximumSize)
{
    const QFileInfo info(path);
    return info.isFile() && info.isReadable() && info.size() <= maximumSize;
}

std::optional<QByteArray> contentsOfFile(const QString& path, qint64 maximumSize)
{
    if (!isReadableFile(path, maximumSize))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // In pieces, bounded again: the file may have grown since it was looked at (and a read of the
    // largest size at once would fill that much memory for every small file).
    constexpr qint64 pieceSize = 64 * 1024;
    QByteArray data;
    data.reserve(qMin(file.size(), maximumSize));
    while (!file.atEnd()) {
        const QByteArray piece = file.read(pieceSize);
        if (piece.isEmpty() || file.error() != QFileDevice::NoError)
            return std::nullopt;
        data += piece;
        if (data.size() > maximumSize)
            return std::nullopt;
    }
    return data;
}

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

bool isStringList(const QVariant& value)
{
    if (value.typeId() != QMetaType::QVariantList)
        return false;
    for (const QVariant& item : value.toList()) {
        if (item.typeId() != QMetaType::QString)
            return false;
    }
    return true;
}

// The program writes text values as strings, the rating as a number, the date as a date and the
// ingredients as an array of strings; a file with any of them in another shape is not its file.
bool hasMetaDataShape(const QVariantMap& file)
{
    static const QStringList textKeys { QStringLiteral("title"), QStringLiteral("recipeDescription"),
        QStringLiteral("author"), QStringLiteral("category"), QStringLiteral("cuisine"),
        QStringLiteral("cookTime") };
    for (const QString& key : textKeys) {
        if (file.contains(key) && file.value(key).typeId() != QMetaType::QString)
            return false;
    }
    const auto wrong = [&file](const QString& key, bool (*expected)(const QVariant&)) {
        return file.contains(key) && !expected(file.value(key));
    };
    return !wrong(QStringLiteral("starRating"), isNumber)
        && !wrong(QStringLiteral("contentCreationDate"),
            [](const QVariant& value) { return value.typeId() == QMetaType::QDateTime; })
        && !wrong(QStringLiteral("ingredients"), isStringList);
}

// The array of one value of every card; a card without the value gives the null value there.
QVariantList valuesOfCards(const QList<VRCRecipe>& cards, const QString& (VRCRecipe::*value)() const)
{
    QVariantList values;
    values.reserve(cards.size());
    for (const VRCRecipe& card : cards) {
        const QString& text = (card.*value)();
        values.append(isEmpty(text) ? QVariant::fromValue(nullptr) : QVariant(text));
    }
    return values;
}

void insertOneCard(QVariantMap& attributes, const VRCRecipe& card)
{
    attributes.insert(kMDItemTitle, isEmpty(card.name()) ? translated("Virtual Recipe Card") : card.name());
    const auto put = [&attributes](const QString& key, const QVariant& value) {
        if (!isEmpty(value))
            attributes.insert(key, value);
    };
    if (!isEmpty(card.kitchen()))
        attributes.insert(kMDItemAuthors, QVariantList { card.kitchen() });
    put(KitchoraDescriptionAttribute, card.recipeDescription());
    put(KitchoraCookTimeAttribute, card.cookTime());
    put(KitchoraCuisineAttribute, card.cuisine());
    put(KitchoraCategoryAttribute, card.category());
    QVariantList ingredients;
    for (const VRCIngredient& ingredient : card.ingredients()) {
        if (!isEmpty(ingredient.ingredientName()))
            ingredients.append(ingredient.ingredientName());
    }
    put(KitchoraIngredientsAttribute, ingredients);
    attributes.insert(kMDItemKind, localizable(translated("Virtual Recipe Card")));
}

void insertSeveralCards(QVariantMap& attributes, const QList<VRCRecipe>& cards)
{
    attributes.insert(kMDItemTitle, translated("%1 Virtual Recipe Cards").arg(cards.size()));
    attributes.insert(kMDItemAuthors, valuesOfCards(cards, &VRCRecipe::kitchen));
    attributes.insert(KitchoraCuisinesAttribute, valuesOfCards(cards, &VRCRecipe::cuisine));
    attributes.insert(KitchoraCategoriesAttribute, valuesOfCards(cards, &VRCRecipe::category));
    attributes.insert(kMDItemKind, localizable(translated("Virtual Recipe Cards")));
}

} // namespace

bool processMetaDataFile(QVariantMap& attributes, const QString& path)
{
    const std::optional<QByteArray> data = contentsOfFile(path, maximumMetaDataFileSize);
    if (!data)
        return false;
    const std::optional<QVariantMap> file = PropertyList::dictionaryWithData(*data);
    if (!file || !hasMetaDataShape(*file))
        return false;

    // Gathered apart, so that the caller's dictionary sees one change.
    QVariantMap found;
    const auto put = [&found, &file](const QString& key, const QString& attribute) {
        if (file->contains(key))
            found.insert(attribute, file->value(key));
    };
    const bool hasTitle = file->contains(QStringLiteral("title"));
    if (hasTitle) {
        const QString title = file->value(QStringLiteral("title")).toString();
        found.insert(kMDItemTitle, title);
        found.insert(kMDItemDisplayName, localizable(title));
    }
    const bool hasAuthor = file->contains(QStringLiteral("author"));
    if (hasAuthor)
        found.insert(kMDItemAuthors, QVariantList { file->value(QStringLiteral("author")) });
    put(QStringLiteral("cuisine"), KitchoraCuisineAttribute);
    put(QStringLiteral("category"), KitchoraCategoryAttribute);
    put(QStringLiteral("cookTime"), KitchoraCookTimeAttribute);
    put(QStringLiteral("recipeDescription"), KitchoraDescriptionAttribute);
    put(QStringLiteral("starRating"), kMDItemStarRating);
    put(QStringLiteral("contentCreationDate"), kMDItemContentCreationDate);
    const QVariant ingredients = file->value(QStringLiteral("ingredients"));
    const bool hasIngredients = !isEmpty(ingredients);
    if (hasIngredients)
        found.insert(KitchoraIngredientsAttribute, ingredients);

    const bool namesARecipe = hasTitle || hasAuthor || file->contains(QStringLiteral("cuisine"))
        || file->contains(QStringLiteral("category")) || file->contains(QStringLiteral("cookTime"))
        || file->contains(QStringLiteral("recipeDescription")) || hasIngredients;
    // A rating or date alone is still handed over, though the answer is false.
    if (namesARecipe)
        found.insert(kMDItemKind, localizable(translated("Kitchora Recipe")));
    attributes.insert(found);
    return namesARecipe;
}

bool processVRCFile(QVariantMap& attributes, const QString& path)
{
    if (!isReadableFile(path, maximumVRCFileSize))
        return false;
    VRCReader reader;
    if (!reader.initWithContentsOfFile(path))
        return false;
    const QList<VRCRecipe> cards = reader.vrcObjects();
    if (cards.isEmpty())
        return false;
    QVariantMap found;
    if (cards.size() == 1)
        insertOneCard(found, cards.first());
    else
        insertSeveralCards(found, cards);
    attributes.insert(found);
    return true;
}

bool processDatabaseFile(QVariantMap& attributes, const QString& path)
{
    // Reads the file's header and metadata table only, read-only; a store the program holds open
    // is read as it stands, and a file that is not one of our stores gives nothing.
    const std::optional<QVariantMap> metadata = PersistentStoreCoordinator::metadataForPersistentStoreOfType(
        PersistentStoreCoordinator::SQLiteStoreType, path);
    if (!metadata || metadata->isEmpty())
        return false;
    attributes.insert(*metadata);
    return true;
}

extern "C" bool GetMetadataForFile(void* /*thisInstance*/, AttributeDictionaryRef attributes,
    const char* contentTypeUTI, const char* pathToFile)
{
    if (!attributes || !contentTypeUTI || !pathToFile)
        return false;
    QVariantMap& dictionary = *attributeDictionary(attributes);
    const QString contentType = QString::fromUtf8(contentTypeUTI);
    const QString path = QFile::decodeName(pathToFile);
    if (contentType == RecipeMetadataContentType)
        return processMetaDataFile(dictionary, path);
    if (contentType == VirtualRecipeCardContentType)
        return processVRCFile(dictionary, path);
    if (contentType == RecipeDatabaseContentType)
        return processDatabaseFile(dictionary, path);
    return false;
}
