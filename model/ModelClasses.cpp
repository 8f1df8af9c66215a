#include "ModelClasses.h"

#include "ManagedObject.h"

void registerModelClasses()
{
}
