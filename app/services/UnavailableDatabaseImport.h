#pragma once

#include "DatabaseImportService.h"

// The database import until it is built in: never available, and asking does nothing.
class UnavailableDatabaseImport : public DatabaseImportService
{
public:
    bool isAvailable() const override { return false; }
    void importMGDatabaseAtPath(const QString&) override { }
};
