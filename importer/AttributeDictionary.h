#pragma once

#include "PlugInInterface.h"

#include <QVariantMap>

// The attribute dictionary of the import slot is a QVariantMap passed through the opaque C type.
inline AttributeDictionaryRef attributeDictionaryRef(QVariantMap* attributes)
{
    return reinterpret_cast<AttributeDictionaryRef>(attributes);
}

inline QVariantMap* attributeDictionary(AttributeDictionaryRef attributes)
{
    return reinterpret_cast<QVariantMap*>(attributes);
}
