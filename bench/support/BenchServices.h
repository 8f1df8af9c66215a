#pragma once

#include "KitchoraServices.h"

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
