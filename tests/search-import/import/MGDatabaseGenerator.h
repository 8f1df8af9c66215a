#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// Builds database packages of the other recipe program for the importer's tests and benchmark,
// with the tables and columns the importer reads: recipe, ingredient (with divider rows),
// category with its join table, cuisine and image, and the pictures under Images/Recipes. A null
// QVariant is stored as NULL; anything else as given (so "-1" and hostile text go in as they are).
namespace MGDatabaseGenerator
{

struct Ingredient {
    QVariant description;
    QVariant quantity;
    QVariant measurement;
    QVariant direction;
    QVariant isDivider = 0;
};

struct Recipe {
    QVariant recipeID;
    // Columns of the recipe table by name: source, note, summary, name, directions, rating,
    // servings, yield, date_created, date_last_modified.
    QVariantMap columns;
    QVariant category; // a name; null: no category
    QVariant cuisine; // a name; null: no cuisine
    QVariant pictureFileName; // the image row's file_name; null: no image row
    bool writePicture = true; // write Images/Recipes/<file name>.jpg (a small JPEG)
    QList<Ingredient> ingredients;
};

// Makes the package folder and its database (replacing one that is there). False with a message
// when something could not be written.
bool writePackage(const QString& packagePath, const QList<Recipe>& recipes, QString* error = nullptr);
// Runs statements on the package's database (to break a package on purpose).
bool execute(const QString& packagePath, const QString& sql, QString* error = nullptr);
QString databasePath(const QString& packagePath);

} // namespace MGDatabaseGenerator
