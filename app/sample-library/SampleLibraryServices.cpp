#include "SampleLibraryServices.h"

SampleLibraryServices::SampleLibraryServices(ManagedObjectContext* context)
    : m_context(context)
    , m_previous(shared())
{
    setShared(this);
}

SampleLibraryServices::~SampleLibraryServices()
{
    if (shared() == this)
        setShared(m_previous);
}
