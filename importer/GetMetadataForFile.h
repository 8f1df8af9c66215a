#pragma once

#include <QString>
#include <QVariantMap>

// The content types the importer reads, compared by exact equality.
inline const QString RecipeMetadataContentType = QStringLiteral("com.quillmoor.recipemetadata");
inline const QString VirtualRecipeCardContentType = QStringLiteral("com.quillmoor.virtual-recipe-card");
inline const QString RecipeDatabaseContentType = QStringLiteral("com.quillmoor.recipedatabase");

// The indexer's own attribute keys.
inline const QString kMDItemTitle = QStringLiteral("kMDItemTitle");
inline const QString kMDItemDisplayName = QStringLiteral("kMDItemDisplayName");
inline const QString kMDItemAuthors = QStringLiteral("kMDItemAuthors");
inline const QString kMDItemStarRating = QStringLiteral("kMDItemStarRating");
inline const QString kMDItemContentCreationDate = QStringLiteral("kMDItemContentCreationDate");
inline const QString kMDItemKind = QStringLiteral("kMDItemKind");

// The plug-in's own attribute keys.
inline const QString KitchoraCuisineAttribute = QStringLiteral("com_quillmoor_Kitchora_cuisine");
inline const QString KitchoraCategoryAttribute = QStringLiteral("com_quillmoor_Kitchora_category");
inline const QString KitchoraCookTimeAttribute = QStringLiteral("com_quillmoor_Kitchora_cooktime");
inline const QString KitchoraDescriptionAttribute = QStringLiteral("com_quillmoor_Kitchora_description");
inline const QString KitchoraIngredientsAttribute = QStringLiteral("com_quillmoor_Kitchora_ingredients");
inline const QString KitchoraCuisinesAttribute = QStringLiteral("com_quillmoor_Kitchora_cuisines");
inline const QString KitchoraCategoriesAttribute = QStringLiteral("com_quillmoor_Kitchora_categories");

// The readers behind the import slot, one per content type. Each only reads the file, and answers
// false, leaving the attributes untouched, for a file it cannot read or that is not of its kind
// (a recipe metadata file that names no recipe still leaves its rating and date, see below).
// Safe to call from several threads at once.

// A recipe metadata property list as the program writes it at quit. A file with nothing but a
// rating or a date answers false with those two set.
bool processMetaDataFile(QVariantMap& attributes, const QString& path);
// Virtual Recipe Card text: one card's fields, or a summary of several cards.
bool processVRCFile(QVariantMap& attributes, const QString& path);
// The library store: the metadata its file records, read without opening the store for writing.
bool processDatabaseFile(QVariantMap& attributes, const QString& path);
