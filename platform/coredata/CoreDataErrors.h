#pragma once

#include <QString>

// Error domain and codes of the object store, as callers test them.
namespace CoreDataErrors
{
inline const QString domain = QStringLiteral("CoreDataErrorDomain");
constexpr int ManagedObjectValidationError = 1550;
constexpr int ValidationMultipleErrors = 1560;
constexpr int ValidationMissingMandatoryProperty = 1570;
constexpr int ValidationRelationshipLacksMinimumCount = 1580;
constexpr int ValidationRelationshipDeniedDelete = 1600;
constexpr int PersistentStoreIncompatibleVersionHash = 134100;
constexpr int MigrationError = 134110;
constexpr int PersistentStoreOpenError = 256;
constexpr int PersistentStoreSaveError = 134030;
constexpr int PersistentStoreInvalidType = 134000;
// Keys of Error::userInfo.
inline const QString detailedErrorsKey = QStringLiteral("NSDetailedErrors"); // QVariantList of Error maps
inline const QString validationObjectKey = QStringLiteral("NSValidationErrorObject");
inline const QString validationKeyKey = QStringLiteral("NSValidationErrorKey");
inline const QString filePathKey = QStringLiteral("NSFilePath");
} // namespace CoreDataErrors
