#include "KRTrieBucket.h"

std::unique_ptr<KRTrieBucket> KRTrieBucket::bucketWithObject(const QVariant& object)
{
    return std::make_unique<KRTrieBucket>(object);
}
