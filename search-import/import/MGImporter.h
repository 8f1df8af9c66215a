#pragma once

#include "DatabaseImportService.h"
#include "Error.h"
#include "RunLoop.h"
#include "TaggedTextBlockImporter.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>

class ManagedObjectContext;
class MGImportProgress;
class RecipeMO;
class UndoManager;
struct sqlite3;
struct sqlite3_stmt;

// Imports the recipe database of the other recipe program (a package holding "MacGourmet.mgdb"
// and its pictures under "Images/Recipes") into the main context: reads every recipe with its
// ingredient rows, category, cuisine and picture name first, then turns them into recipes through the
// tagged-text importer in batches of 15 on the run loop, under a progress sheet that can cancel. The database
// is only ever read: it is opened read-only, never created, and every value a query needs is bound, never
// spliced into its text. Imported recipes stay in the library however the import ends; undo is off while it
// runs. One import at a time; main thread only.
class MGImporter : public DatabaseImportService
{
public:
    static constexpr int kBatchSize = 15;
    static constexpr int kProcessPendingChangesEvery = 50;
    static constexpr double kDefaultSaveInterval = 30.0;
    // Names inside the package.
    static const QString kDatabaseFileName;
    static const QString kPictureFolder;

    // What the importer relies on beyond the model; empty members keep the program's own.
    struct Environment {
        // Seconds between saves while the import runs.
        double saveInterval = kDefaultSaveInterval;
        // How the context is saved.
        std::function<bool(ManagedObjectContext& context, Error* error)> save;
        // Makes one recipe from its dictionary of labelled blocks (the tagged-text importer).
        std::function<RecipeMO*(const QVariantMap& blocks)> recipeFromBlocks;
    };

    // The progress sheet is not owned and must outlive the importer.
    explicit MGImporter(MGImportProgress& progress);
    MGImporter(MGImportProgress& progress, Environment environment);
    // Stops a running import without saving: the connection closes, undo comes back.
    ~MGImporter() override;
    MGImporter(const MGImporter&) = delete;
    MGImporter& operator=(const MGImporter&) = delete;

    bool isAvailable() const override { return true; }
    // Starts the import; a package whose database cannot be opened is logged and reported, and
    // nothing else happens. Refused (logged) while an import runs.
    void importMGDatabaseAtPath(const QString& packagePath) override;
    // The sheet's Cancel: keeps and saves what was imported so far.
    void cancelMacGourmetImport();

    bool isImporting() const { return m_run != nullptr; }

private:
    struct IngredientRow {
        QString description;
        QString quantity;
        QString measurement;
        QString direction;
    };
    struct PendingRecipe {
        QVariantMap blocks;
        QList<IngredientRow> ingredients;
        bool hasIngredients = false;
    };
    struct Statement;
    struct Run;

    void startMacGourmetImport();
    void importSomeMacGourmetRecipes();
    void finishMacGourmetImport();
    // Reads the recipe rows, the ingredient rows, then each recipe's category, cuisine and
    // picture; false on a query error (logged).
    bool readRecipes();
    bool readIngredients();
    bool readLookups();
    // Category and cuisine under their labels, servings into the yield, the ingredients as text.
    void completeBlocks(PendingRecipe& pending);
    RecipeMO* recipeFromDictionary(const QVariantMap& blocks);
    // The repair after a recipe could not be made; false when the import had to end.
    bool repairAfterFailedRecipe(RecipeMO* recipe);
    // The picture named in the database, when it is one file inside the package's picture folder.
    void setPicture(RecipeMO* recipe, const QString& recipeID);
    bool save(Error* error);
    // Closes the connection, gives undo back and drops the run, without saving or UI.
    void tearDown();

    MGImportProgress& m_progress;
    Environment m_environment;
    TaggedTextBlockImporter m_blockImporter;
    std::unique_ptr<Run> m_run;
};
