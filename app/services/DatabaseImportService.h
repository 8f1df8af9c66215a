#pragma once

#include <QString>

// What the application controller asks of the importer of the other recipe program's database
// package ("mgdatabase"). Main thread only.
class DatabaseImportService
{
public:
    virtual ~DatabaseImportService() = default;

    // False while no importer is built in: opening a package then tells the user the import is
    // not available.
    virtual bool isAvailable() const = 0;
    // Opens the database inside the package read-only and starts the batched import into the main
    // context, with its progress sheet; a package that cannot be opened is logged and reported.
    virtual void importMGDatabaseAtPath(const QString& packagePath) = 0;
};
