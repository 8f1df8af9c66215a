#pragma once

#include <QString>
#include <QVariantMap>

class ManagedObject;

// Leaves one small XML property list per library recipe in the user's cache folder, for the
// desktop search indexer, which cannot read the library store itself. Runs at quit, on the main
// thread with the main context.
//
// The folder mirrors the library: a file is rewritten when its recipe changed, and files of
// recipes that were renamed or left the library are removed.
class RecipeMetaDataExporter
{
public:
    RecipeMetaDataExporter() = delete;

    // Writes the files of every recipe that belongs to a collection other than the search-results
    // cache. Failures are logged; the export goes on with the next recipe.
    static void exportMetaData();

    // "<caches>/Metadata/<process name>"; empty when the platform has no caches folder.
    static QString metaDataFolderPath();
    // The file name (without folder) of a recipe's metadata file: "<name>-<object id tail>.recipemetadata",
    // with the name made safe for one path component.
    static QString fileNameForRecipe(const ManagedObject* recipe);
    // The dictionary written for a recipe; empty values are left out.
    static QVariantMap metaDataForRecipe(const ManagedObject* recipe);
};
