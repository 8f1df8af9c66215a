#include "KitchoraServices.h"

#include "ManagedObjectContext.h"
#include "PersistentStoreCoordinator.h"
#include "RunLoop.h"

#include <atomic>

namespace
{
std::atomic<KitchoraServices*> s_shared { nullptr };
}

KitchoraServices::~KitchoraServices()
{
    // A services object that goes away must not stay reachable.
    KitchoraServices* self = this;
    s_shared.compare_exchange_strong(self, nullptr);
}

KitchoraServices* KitchoraServices::shared()
{
    return s_shared.load();
}

void KitchoraServices::setShared(KitchoraServices* services)
{
    s_shared.store(services);
}

const ManagedObjectModel* KitchoraServices::managedObjectModel()
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context || !context->persistentStoreCoordinator())
        return nullptr;
    return context->persistentStoreCoordinator()->managedObjectModel();
}

void KitchoraServices::presentErrorOnMainThread(const Error& error)
{
    RunLoop::postToMain([error] {
        if (KitchoraServices* services = shared())
            services->presentError(error);
    });
}
