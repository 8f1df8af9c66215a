#pragma once

#include "BaseMOAdditions.h"
#include "KitchoraServices.h"
#include "UserDefaults.h"

#include <QTemporaryDir>
#include <chrono>

// The application services the model benchmarks run under: one context and its library,
// errors dropped.
class BenchServices : public KitchoraServices
{
public:
    ManagedObjectContext* managedObjectContext() override { return context; }
    void presentError(const Error&) override { }
    ManagedObject* libraryCollection() override { return library; }
    ManagedObject* importedCollection() override { return nullptr; }
    ManagedObject* devicesFolder() override { return nullptr; }
    QStringList modifiersArray() override { return {}; }
    void updateSmartCollections() override { }
    void rearrangeCollections() override { }
    ManagedObject* searchCache() override { return nullptr; }

    ManagedObjectContext* context = nullptr;
    ManagedObject* library = nullptr;
};

inline double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The user defaults as the program's first run leaves them where the model reads them (ingredients
// found by name through the trie), kept in a file of their own for the process.
inline void useFirstRunDefaults()
{
    static QTemporaryDir dir;
    UserDefaults::setStandardUserDefaultsFile(dir.filePath(QStringLiteral("defaults.ini")));
    UserDefaults::standardUserDefaults().setBool(true, KRIngredientTrieLookups);
}
