#pragma once

#include "KitchoraServices.h"

#include <QList>

// The services the model reaches while the sample library is being built: the one context and its
// library collection, and a record of the errors the model presented. Installs itself while alive
// and puts back the services installed before. Main thread only; owns nothing.
class SampleLibraryServices : public KitchoraServices
{
public:
    explicit SampleLibraryServices(ManagedObjectContext* context);
    ~SampleLibraryServices() override;
    SampleLibraryServices(const SampleLibraryServices&) = delete;
    SampleLibraryServices& operator=(const SampleLibraryServices&) = delete;

    void setLibraryCollection(ManagedObject* library) { m_library = library; }
    const QList<Error>& presentedErrors() const { return m_presentedErrors; }

    ManagedObjectContext* managedObjectContext() override { return m_context; }
    void presentError(const Error& error) override { m_presentedErrors.append(error); }
    ManagedObject* libraryCollection() override { return m_library; }
    // The sample holds no other built-in collection: the program makes them at launch.
    ManagedObject* importedCollection() override { return nullptr; }
    ManagedObject* devicesFolder() override { return nullptr; }
    ManagedObject* searchCache() override { return nullptr; }
    // Empty: the parser reads the modifiers file itself.
    QStringList modifiersArray() override { return {}; }
    void updateSmartCollections() override { }
    void rearrangeCollections() override { }

private:
    ManagedObjectContext* m_context;
    ManagedObject* m_library = nullptr;
    KitchoraServices* m_previous;
    QList<Error> m_presentedErrors;
};
