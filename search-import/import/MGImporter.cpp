#include "MGImporter.h"

#include "BaseMOAdditions.h"
#include "ConstantManager.h"
#include "CoreDataErrors.h"
#include "ImageMO.h"
#include "IsEmpty.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "MGImportProgress.h"
#include "ManagedObjectContext.h"
#include "RecipeMO.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <optional>
#include <sqlite3.h>

const QString MGImporter::kDatabaseFileName = QStringLiteral("MacGourmet.mgdb");
const QString MGImporter::kPictureFolder = QStringLiteral("Images/Recipes");

namespace
{

const QString recipeIDKey = QStringLiteral("recipe_id");
const QString nameKey = QStringLiteral("name");
const QString yieldKey = QStringLiteral("yield");
const QString servingsKey = QStringLiteral("servings");
const QString ratingKey = QStringLiteral("rating");
const QString ingredientsKey = QStringLiteral("ingredients");
const QString dateCreatedKey = QStringLiteral("date_created");
const QString dateModifiedKey = QStringLiteral("date_last_modified");

// Pictures larger than this are not read: no recipe picture comes near it.
constexpr qint64 kLargestPicture = 64 * 1024 * 1024;
// Dates further than this from 1970, in seconds, are taken for damage.
constexpr double kLatestDateOffset = 1.0e11;

// The import label of a field, as the tagged-text importer knows it.
QString choiceLabel(const QString& group)
{
    return ConstantManager::defaultManager().constantForKey(RIChoiceConstantKey, group);
}

QString tr(const char* text)
{
    return QCoreApplication::translate("MGImporter", text);
}

QString describe(const Error& error)
{
    return QStringLiteral("%1 (%2 %3)").arg(error.localizedDescription, error.domain).arg(error.code);
}

void logSqlError(const QString& message)
{
    Log::logf(QStringLiteral("SQL error: %1\n"), message);
}

// Seconds since 1970 as a date; nothing for text that is no number or no plausible date.
std::optional<QDateTime> dateFromSeconds(const QString& text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || std::abs(seconds) > kLatestDateOffset)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(seconds * 1000.0)));
}

// A picture's file name from the database names one file of the picture folder, or none.
bool isSingleComponent(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(u'/') && !name.contains(QChar(0));
}

} // namespace

// One prepared statement; values are bound, never written into the statement's text.
struct MGImporter::Statement {
    Statement(sqlite3* database, const char* sql)
        : m_database(database)
    {
        if (sqlite3_prepare_v2(database, sql, -1, &m_handle, nullptr) != SQLITE_OK)
            m_error = QString::fromUtf8(sqlite3_errmsg(database));
    }
    ~Statement() { sqlite3_finalize(m_handle); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return m_handle != nullptr; }
    QString errorMessage() const { return m_error; }

    // The next row: true with a row, false at the end or on an error (errorMessage says which).
    bool step()
    {
        const int status = sqlite3_step(m_handle);
        if (status == SQLITE_ROW)
            return true;
        if (status != SQLITE_DONE)
            m_error = QString::fromUtf8(sqlite3_errmsg(m_database));
        return false;
    }
    bool failed() const { return !m_error.isEmpty(); }

    // A column's text; null when the value is absent (NULL or the text "-1").
    QString value(int column) const
    {
        if (sqlite3_column_type(m_handle, column) == SQLITE_NULL)
            return QString();
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_handle, column));
        if (!text)
            return QString();
        QString value = QString::fromUtf8(text, sqlite3_column_bytes(m_handle, column));
        if (value == QLatin1String("-1"))
            return QString();
        if (value.isNull())
            value = QLatin1String("");
        return value;
    }

private:
    sqlite3* m_database;
    sqlite3_stmt* m_handle = nullptr;
    QString m_error;
};

struct MGImporter::Run {
    QString packagePath;
    sqlite3* database = nullptr;
    ManagedObjectContext* context = nullptr;
    UndoManager* undoManager = nullptr; // set aside while the import runs
    QList<PendingRecipe> recipes;
    qsizetype next = 0;
    quint64 currentRecipeCount = 1;
    RunLoop::Token importTimer = 0;
    double lastSave = 0;
    // A save failure is shown once per import, however many saves fail after it.
    bool presentedSaveFailure = false;
    // By recipe identifier: the first category, the cuisine and the picture's file name.
    QHash<QString, QString> categories;
    QHash<QString, QString> cuisines;
    QHash<QString, QString> pictures;
};

MGImporter::MGImporter(MGImportProgress& progress)
    : MGImporter(progress, Environment())
{
}

MGImporter::MGImporter(MGImportProgress& progress, Environment environment)
    : m_progress(progress)
    , m_environment(std::move(environment))
{
}

MGImporter::~MGImporter()
{
    tearDown();
}

void MGImporter::importMGDatabaseAtPath(const QString& packagePath)
{
    if (m_run) {
        Log::logf(
            QStringLiteral("MGImporter: an import is running; not starting another for %1"), packagePath);
        return;
    }
    Log::logf(QStringLiteral("Starting MacGourmet database import for package at path: %1"), packagePath);
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    if (!context) {
        Log::log(QStringLiteral("MGImporter: no managed object context to import into"));
        return;
    }

    // Read-only, and never made: a package without its database is an error, not a new file.
    const QByteArray file = QDir(packagePath).filePath(kDatabaseFileName).toUtf8();
    sqlite3* database = nullptr;
    const int status = sqlite3_open_v2(file.constData(), &database, SQLITE_OPEN_READONLY, nullptr);
    if (status != SQLITE_OK) {
        const QString message = database ? QString::fromUtf8(sqlite3_errmsg(database)) : QString();
        Log::logf(QStringLiteral("Can't open database: %1\n"), message);
        sqlite3_close(database);
        services->presentError(Error { QStringLiteral("MGImporterErrorDomain"), 1,
            tr("The recipe database in \"%1\" could not be opened (%2).")
                .arg(QFileInfo(packagePath).fileName(), message),
            {} });
        return;
    }
    Log::log(QStringLiteral("SQLite database opened successfully.  Starting import."));

    m_run = std::make_unique<Run>();
    m_run->packagePath = packagePath;
    m_run->database = database;
    m_run->context = context;
    // Imported changes are not undoable.
    m_run->undoManager = context->undoManager();
    context->setUndoManager(nullptr);
    startMacGourmetImport();
}

void MGImporter::cancelMacGourmetImport()
{
    if (!m_run)
        return;
    RunLoop::cancel(m_run->importTimer);
    m_run->importTimer = 0;
    finishMacGourmetImport();
}

void MGImporter::startMacGourmetImport()
{
    m_progress.setIndeterminate(true);
    m_progress.setText(tr("Preparing\u2026"));
    m_progress.beginSheet([this] { cancelMacGourmetImport(); });
    m_progress.setImportMenusEnabled(false);

    if (!readRecipes() || !readIngredients() || !readLookups()) {
        finishMacGourmetImport();
        return;
    }
    Run& run = *m_run;
    m_progress.setMaximum(run.recipes.size());
    m_progress.setValue(0);
    m_progress.setIndeterminate(false);
    run.lastSave = RunLoop::currentTime();
    run.importTimer = RunLoop::postAfterDelay(0.0, [this] { importSomeMacGourmetRecipes(); });
}

bool MGImporter::readRecipes()
{
    Statement statement(m_run->database,
        "select recipe_id, source, note, summary, name, directions, rating, servings, yield, date_created, "
        "date_last_modified from recipe;");
    if (!statement.isValid()) {
        logSqlError(statement.errorMessage());
        return false;
    }
    const QStringList keys = { recipeIDKey, choiceLabel(KRKitchenConstantGroup),
        choiceLabel(KRNoteConstantGroup), choiceLabel(KRDescriptionConstantGroup), nameKey,
        QStringLiteral("directions"), ratingKey, servingsKey, yieldKey, dateCreatedKey, dateModifiedKey };
    while (statement.step()) {
        PendingRecipe pending;
        for (int column = 0; column < keys.size(); ++column) {
            const QString value = statement.value(column);
            if (!value.isNull())
                pending.blocks.insert(keys.at(column), value);
        }
        m_run->recipes.append(std::move(pending));
    }
    if (statement.failed()) {
        logSqlError(statement.errorMessage());
        return false;
    }
    return true;
}

bool MGImporter::readIngredients()
{
    Run& run = *m_run;
    // A divider row is a heading, not an ingredient; a row without the flag is an ingredient.
    // Rows go to their recipe by its identifier, whatever order either table keeps.
    Statement statement(run.database,
        "SELECT ingredient.recipe_id, ingredient.description, ingredient.quantity, ingredient.measurement, "
        "ingredient.direction FROM ingredient where is_divider IS NOT 1;");
    if (!statement.isValid()) {
        logSqlError(statement.errorMessage());
        return false;
    }
    QHash<QString, qsizetype> recipeByID;
    for (qsizetype i = 0; i < run.recipes.size(); ++i) {
        const QString id = run.recipes.at(i).blocks.value(recipeIDKey).toString();
        if (!id.isEmpty() && !recipeByID.contains(id))
            recipeByID.insert(id, i);
    }
    const QString ingredientEntity = QStringLiteral("Ingredient");
    while (statement.step()) {
        const QString recipeID = statement.value(0);
        if (recipeID.isNull())
            continue;
        const auto found = recipeByID.constFind(recipeID);
        if (found == recipeByID.constEnd())
            continue; // an ingredient of no recipe
        PendingRecipe& pending = run.recipes[*found];
        pending.hasIngredients = true;
        IngredientRow row { statement.value(1), statement.value(2), statement.value(3), statement.value(4) };
        if (row.description.isNull())
            continue;
        BaseMOAdditions::findOrCreateManagedObjectForName(row.description, ingredientEntity, run.context);
        pending.ingredients.append(std::move(row));
    }
    if (statement.failed()) {
        logSqlError(statement.errorMessage());
        return false;
    }
    return true;
}

bool MGImporter::readLookups()
{
    Run& run = *m_run;
    // One pass over each join rather than one query per recipe: the other program's tables need
    // not have the indexes that would make a query per recipe cheap.
    const struct {
        const char* sql;
        QHash<QString, QString>* values;
    } lookups[] = {
        { "select recipe_category_join.recipe_id, category.name from category inner join "
          "recipe_category_join "
          "on category.category_id=recipe_category_join.category_id;",
            &run.categories },
        { "select recipe.recipe_id, cuisine.name from cuisine inner join recipe on "
          "recipe.cuisine_id=cuisine.cuisine_id;",
            &run.cuisines },
        { "select recipe.recipe_id, image.file_name from image inner join recipe on "
          "recipe.image_id=image.image_id;",
            &run.pictures },
    };
    for (const auto& lookup : lookups) {
        Statement statement(run.database, lookup.sql);
        if (!statement.isValid()) {
            logSqlError(statement.errorMessage());
            return false;
        }
        while (statement.step()) {
            const QString recipeID = statement.value(0);
            if (!recipeID.isNull() && !lookup.values->contains(recipeID))
                lookup.values->insert(recipeID, statement.value(1));
        }
        if (statement.failed()) {
            logSqlError(statement.errorMessage());
            return false;
        }
    }
    return true;
}

void MGImporter::importSomeMacGourmetRecipes()
{
    if (!m_run)
        return;
    m_run->importTimer = 0;
    int imported = 0;
    while (imported < kBatchSize) {
        Run& run = *m_run;
        if (run.next >= run.recipes.size()) {
            finishMacGourmetImport();
            return;
        }
        PendingRecipe& pending = run.recipes[run.next++];
        const QString recipeID = pending.blocks.value(recipeIDKey).toString();
        m_progress.setText(tr("Importing %1 of %2: %3\u2026")
                               .arg(run.currentRecipeCount)
                               .arg(run.recipes.size())
                               .arg(pending.blocks.value(nameKey).toString()));
        m_progress.setValue(qint64(run.currentRecipeCount));

        completeBlocks(pending);
        const QVariantMap blocks = std::exchange(pending.blocks, {});
        pending.ingredients.clear();
        RecipeMO* recipe = recipeFromDictionary(blocks);
        if (!m_run)
            return; // the repair could not save and ended the import
        if (!recipe) {
            ++run.currentRecipeCount;
            continue;
        }
        setPicture(recipe, recipeID);
        if (run.currentRecipeCount % kProcessPendingChangesEvery == 0)
            run.context->processPendingChanges();

        if (RunLoop::currentTime() - run.lastSave > m_environment.saveInterval) {
            m_progress.setIndeterminate(true);
            m_progress.setText(tr("Saving Progress..."));
            Log::log(QStringLiteral("MGImport: saving imported recipes"));
            Error error;
            if (!save(&error)) {
                Log::logf(QStringLiteral("Error while saving: %1"), describe(error));
                if (KitchoraServices* services = KitchoraServices::shared())
                    services->presentError(error);
                run.presentedSaveFailure = true;
                finishMacGourmetImport();
                return;
            }
            m_progress.setIndeterminate(false);
            run.lastSave = RunLoop::currentTime();
        }
        ++run.currentRecipeCount;
        ++imported;
    }
    m_run->importTimer = RunLoop::postAfterDelay(0.0, [this] { importSomeMacGourmetRecipes(); });
}

void MGImporter::completeBlocks(PendingRecipe& pending)
{
    Run& run = *m_run;
    QVariantMap& blocks = pending.blocks;
    const QString recipeID = blocks.value(recipeIDKey).toString();
    if (!recipeID.isEmpty()) {
        const QString category = run.categories.value(recipeID);
        if (!category.isNull())
            blocks.insert(choiceLabel(KRCategoryConstantGroup), category);
        const QString cuisine = run.cuisines.value(recipeID);
        if (!cuisine.isNull())
            blocks.insert(choiceLabel(KRCuisineConstantGroup), cuisine);
    }

    const QString servings = blocks.value(servingsKey).toString();
    if (!servings.isNull()) {
        const QString yield = blocks.value(yieldKey).toString();
        blocks.insert(yieldKey,
            yield.isEmpty() ? servings + QStringLiteral(" servings")
                            : yield + QStringLiteral(" (") + servings + QStringLiteral(" servings)"));
    }

    // One block line per ingredient, each followed by a blank line.
    if (pending.hasIngredients) {
        QString text;
        for (const IngredientRow& row : pending.ingredients) {
            text += row.quantity + u' ' + row.measurement + u' ' + row.description;
            if (!row.direction.isEmpty())
                text += QStringLiteral(", ") + row.direction;
            text += QStringLiteral("\n\n");
        }
        blocks.insert(ingredientsKey, text);
    }
}

RecipeMO* MGImporter::recipeFromDictionary(const QVariantMap& blocks)
{
    RecipeMO* recipe = nullptr;
    QString failure;
    try {
        recipe = m_environment.recipeFromBlocks ? m_environment.recipeFromBlocks(blocks)
                                                : m_blockImporter.recipeFromTaggedTextBlocks(blocks);
        if (!recipe) {
            failure = QStringLiteral("no recipe was made");
        } else {
            if (const auto added = dateFromSeconds(blocks.value(dateCreatedKey).toString()))
                recipe->setValueForKey(*added, QStringLiteral("dateAdded"));
            if (const auto modified = dateFromSeconds(blocks.value(dateModifiedKey).toString()))
                recipe->setValueForKey(*modified, QStringLiteral("dateModified"));
            const QString rating = blocks.value(ratingKey).toString();
            if (!isEmpty(rating) && rating != QLatin1String("0.0")) {
                bool ok = false;
                const double value = rating.toDouble(&ok);
                if (ok && std::isfinite(value))
                    recipe->setValueForKey(value, ratingKey);
            }
            return recipe;
        }
    } catch (const std::exception& exception) {
        failure = QString::fromUtf8(exception.what());
    }
    Log::logf(
        QStringLiteral("Skipping Recipe: %1 -- exception: %2"), blocks.value(nameKey).toString(), failure);
    Log::log(QStringLiteral("Saving to make sure everything is ok"));
    repairAfterFailedRecipe(recipe);
    return nullptr;
}

bool MGImporter::repairAfterFailedRecipe(RecipeMO* recipe)
{
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    if (!context)
        return true;
    bool deletedRecipe = false;
    // Each pass deletes something or ends, so the loop cannot run on unboundedly.
    for (int pass = 0; context->hasChanges() && pass < 1000; ++pass) {
        Error error;
        if (save(&error))
            return true;
        Log::logf(QStringLiteral("MGImporter: -recipeFromDictionary: save error (%1)"), describe(error));

        QList<ManagedObject*> invalid;
        bool onlyMissingProperties = false;
        if (error.code == CoreDataErrors::ValidationMultipleErrors) {
            onlyMissingProperties = true;
            for (const QVariant& detail : error.userInfo.value(CoreDataErrors::detailedErrorsKey).toList()) {
                const QVariantMap map = detail.toMap();
                if (map.value(QStringLiteral("code")).toInt()
                    != CoreDataErrors::ValidationMissingMandatoryProperty) {
                    onlyMissingProperties = false;
                    continue;
                }
                invalid.append(map.value(QStringLiteral("userInfo"))
                                   .toMap()
                                   .value(CoreDataErrors::validationObjectKey)
                                   .value<ManagedObject*>());
            }
        } else if (error.code == CoreDataErrors::ValidationMissingMandatoryProperty) {
            onlyMissingProperties = true;
            invalid.append(error.userInfo.value(CoreDataErrors::validationObjectKey).value<ManagedObject*>());
        }
        bool deleted = false;
        for (ManagedObject* object : invalid) {
            if (object && !object->isDeleted() && object->managedObjectContext() == context) {
                context->deleteObject(object);
                deleted = true;
            }
        }
        if (onlyMissingProperties && deleted)
            continue;

        if (!deletedRecipe) {
            deletedRecipe = true;
            if (recipe && !recipe->isDeleted())
                context->deleteObject(recipe);
            continue;
        }
        // Nothing more to repair: the import ends here, once, and nothing of it runs afterwards.
        m_progress.runAlert(tr("There was an error while importing a recipe, and Kitchora was unable to save "
                               "changes to your recipe library. Please send the database you are importing "
                               "to support, and restart Kitchora."));
        finishMacGourmetImport();
        return false;
    }
    return true;
}

void MGImporter::setPicture(RecipeMO* recipe, const QString& recipeID)
{
    if (recipeID.isEmpty())
        return;
    Run& run = *m_run;
    const QString fileName = run.pictures.value(recipeID);
    if (fileName.isNull())
        return;
    if (!isSingleComponent(fileName)) {
        Log::logf(QStringLiteral("MGImporter: picture name \"%1\" is not a file of the package; skipped"),
            fileName);
        return;
    }
    const QDir folder(QDir(run.packagePath).filePath(kPictureFolder));
    const QFileInfo picture(folder.filePath(fileName + QStringLiteral(".jpg")));
    // A link inside the package must not lead out of it.
    const QString packageRoot = QFileInfo(run.packagePath).canonicalFilePath() + u'/';
    const QString canonical = picture.canonicalFilePath();
    if (canonical.isEmpty() || !canonical.startsWith(packageRoot) || !picture.isFile())
        return; // missing: no picture
    if (picture.size() > kLargestPicture) {
        Log::logf(QStringLiteral("MGImporter: picture %1 is too large; skipped"), canonical);
        return;
    }
    QFile file(canonical);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray data = file.readAll();
    auto* image = dynamic_cast<ImageMO*>(recipe->objectForKey(QStringLiteral("image")));
    if (!image || isEmpty(data))
        return;
    Error error;
    if (!image->setData(data, &error))
        Log::logf(
            QStringLiteral("MGImporter: picture %1 not taken: %2"), canonical, error.localizedDescription);
}

bool MGImporter::save(Error* error)
{
    ManagedObjectContext* context = m_run ? m_run->context : nullptr;
    if (!context)
        return true;
    return m_environment.save ? m_environment.save(*context, error) : context->save(error);
}

void MGImporter::finishMacGourmetImport()
{
    if (!m_run)
        return;
    Run& run = *m_run;
    RunLoop::cancel(run.importTimer);
    run.importTimer = 0;
    m_progress.setIndeterminate(true);
    Error error;
    const bool saved = save(&error);
    if (!saved) {
        Log::logf(QStringLiteral("Error while saving: %1"), describe(error));
        if (!run.presentedSaveFailure) {
            if (KitchoraServices* services = KitchoraServices::shared())
                services->presentError(error);
        }
    }
    tearDown();
    m_progress.setImportMenusEnabled(true);
    m_progress.endSheet();
}

void MGImporter::tearDown()
{
    if (!m_run)
        return;
    std::unique_ptr<Run> run = std::move(m_run);
    RunLoop::cancel(run->importTimer);
    sqlite3_close(run->database);
    if (run->context)
        run->context->setUndoManager(run->undoManager);
}
