#include "MGDatabaseGenerator.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <memory>
#include <sqlite3.h>

namespace MGDatabaseGenerator
{
namespace
{

const char* const schema = R"sql(
CREATE TABLE recipe (recipe_id INTEGER, source TEXT, note TEXT, summary TEXT, name TEXT, directions TEXT,
                     rating TEXT, servings TEXT, yield TEXT, date_created REAL, date_last_modified REAL,
                     cuisine_id INTEGER, image_id INTEGER, keywords TEXT);
CREATE TABLE ingredient (ingredient_id INTEGER PRIMARY KEY, recipe_id INTEGER, description TEXT, quantity TEXT,
                         measurement TEXT, direction TEXT, is_divider INTEGER, sort_order INTEGER);
CREATE TABLE category (category_id INTEGER PRIMARY KEY, name TEXT);
CREATE TABLE recipe_category_join (recipe_id INTEGER, category_id INTEGER);
CREATE TABLE cuisine (cuisine_id INTEGER PRIMARY KEY, name TEXT);
CREATE TABLE image (image_id INTEGER PRIMARY KEY, file_name TEXT, width INTEGER, height INTEGER);
)sql";

const QStringList recipeColumns = { "source", "note", "summary", "name", "directions", "rating", "servings",
    "yield", "date_created", "date_last_modified" };

struct Closer {
    void operator()(sqlite3* database) const { sqlite3_close(database); }
};
struct Finalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, Closer>;
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

bool fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

Statement prepare(sqlite3* database, const QString& sql)
{
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(database, sql.toUtf8().constData(), -1, &statement, nullptr);
    return Statement(statement);
}

void bind(sqlite3_stmt* statement, int index, const QVariant& value)
{
    if (!value.isValid() || value.isNull()) {
        sqlite3_bind_null(statement, index);
    } else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong) {
        sqlite3_bind_int64(statement, index, value.toLongLong());
    } else if (value.typeId() == QMetaType::Double) {
        sqlite3_bind_double(statement, index, value.toDouble());
    } else {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(statement, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
}

bool run(sqlite3* database, sqlite3_stmt* statement, const QList<QVariant>& values, QString* error)
{
    if (!statement)
        return fail(error, QString::fromUtf8(sqlite3_errmsg(database)));
    sqlite3_reset(statement);
    for (int i = 0; i < values.size(); ++i)
        bind(statement, i + 1, values.at(i));
    if (sqlite3_step(statement) != SQLITE_DONE)
        return fail(error, QString::fromUtf8(sqlite3_errmsg(database)));
    return true;
}

// A row id for each distinct name, made on first use.
qint64 idForName(
    sqlite3* database, sqlite3_stmt* insert, QHash<QString, qint64>& ids, const QString& name, QString* error)
{
    const auto found = ids.constFind(name);
    if (found != ids.constEnd())
        return *found;
    if (!run(database, insert, { name }, error))
        return -2;
    const qint64 id = sqlite3_last_insert_rowid(database);
    ids.insert(name, id);
    return id;
}

bool writePicture(const QString& packagePath, const QString& fileName, QString* error)
{
    QDir package(packagePath);
    if (!package.mkpath(QStringLiteral("Images/Recipes")))
        return fail(error, QStringLiteral("cannot make the picture folder"));
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 40));
    if (!image.save(
            package.filePath(QStringLiteral("Images/Recipes/") + fileName + QStringLiteral(".jpg")), "JPEG"))
        return fail(error, QStringLiteral("cannot write picture ") + fileName);
    return true;
}

} // namespace

QString databasePath(const QString& packagePath)
{
    return QDir(packagePath).filePath(QStringLiteral("MacGourmet.mgdb"));
}

bool writePackage(const QString& packagePath, const QList<Recipe>& recipes, QString* error)
{
    if (!QDir().mkpath(packagePath))
        return fail(error, QStringLiteral("cannot make the package folder"));
    QFile::remove(databasePath(packagePath));
    sqlite3* raw = nullptr;
    if (sqlite3_open(databasePath(packagePath).toUtf8().constData(), &raw) != SQLITE_OK) {
        sqlite3_close(raw);
        return fail(error, QStringLiteral("cannot make the database"));
    }
    Database database(raw);
    if (sqlite3_exec(raw, schema, nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(error, QString::fromUtf8(sqlite3_errmsg(raw)));

    QStringList placeholders;
    for (qsizetype i = 0; i < recipeColumns.size() + 3; ++i)
        placeholders.append(QStringLiteral("?"));
    const Statement insertRecipe = prepare(raw,
        QStringLiteral("INSERT INTO recipe (recipe_id, %1, cuisine_id, image_id) VALUES (%2)")
            .arg(recipeColumns.join(u','), placeholders.join(u',')));
    const Statement insertIngredient = prepare(raw,
        QStringLiteral("INSERT INTO ingredient (recipe_id, description, quantity, measurement, direction, "
                       "is_divider, sort_order) VALUES (?,?,?,?,?,?,?)"));
    const Statement insertCategory = prepare(raw, QStringLiteral("INSERT INTO category (name) VALUES (?)"));
    const Statement insertJoin = prepare(
        raw, QStringLiteral("INSERT INTO recipe_category_join (recipe_id, category_id) VALUES (?,?)"));
    const Statement insertCuisine = prepare(raw, QStringLiteral("INSERT INTO cuisine (name) VALUES (?)"));
    const Statement insertImage
        = prepare(raw, QStringLiteral("INSERT INTO image (file_name, width, height) VALUES (?, 24, 16)"));

    QHash<QString, qint64> categories;
    QHash<QString, qint64> cuisines;
    for (const Recipe& recipe : recipes) {
        QVariant cuisineID;
        if (!recipe.cuisine.isNull()) {
            const qint64 id = idForName(raw, insertCuisine.get(), cuisines, recipe.cuisine.toString(), error);
            if (id == -2)
                return false;
            cuisineID = id;
        }
        QVariant imageID;
        if (!recipe.pictureFileName.isNull()) {
            if (!run(raw, insertImage.get(), { recipe.pictureFileName }, error))
                return false;
            imageID = sqlite3_last_insert_rowid(raw);
            if (recipe.writePicture && !writePicture(packagePath, recipe.pictureFileName.toString(), error))
                return false;
        }
        QList<QVariant> values { recipe.recipeID };
        for (const QString& column : recipeColumns)
            values.append(recipe.columns.value(column));
        values << cuisineID << imageID;
        if (!run(raw, insertRecipe.get(), values, error))
            return false;
        if (!recipe.category.isNull()) {
            const qint64 id
                = idForName(raw, insertCategory.get(), categories, recipe.category.toString(), error);
            if (id == -2 || !run(raw, insertJoin.get(), { recipe.recipeID, id }, error))
                return false;
        }
        int order = 0;
        for (const Ingredient& ingredient : recipe.ingredients) {
            if (!run(raw, insertIngredient.get(),
                    { recipe.recipeID, ingredient.description, ingredient.quantity, ingredient.measurement,
                        ingredient.direction, ingredient.isDivider, order++ },
                    error))
                return false;
        }
    }
    if (sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(error, QString::fromUtf8(sqlite3_errmsg(raw)));
    return true;
}

bool execute(const QString& packagePath, const QString& sql, QString* error)
{
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(databasePath(packagePath).toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr)
        != SQLITE_OK) {
        sqlite3_close(raw);
        return fail(error, QStringLiteral("cannot open the database"));
    }
    Database database(raw);
    char* message = nullptr;
    if (sqlite3_exec(raw, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message);
        sqlite3_free(message);
        return fail(error, text);
    }
    return true;
}

} // namespace MGDatabaseGenerator
