#pragma once

#include "PlugInInterface.h"

#include <QByteArrayView>
#include <QUuid>
#include <cstring>

// UUIDs cross the C interface as their 16 bytes and are QUuid values inside.
inline QUuid uuidFromBytes(const PlugInUUIDBytes& uuid)
{
    return QUuid::fromRfc4122(QByteArrayView(uuid.bytes, sizeof uuid.bytes));
}

inline PlugInUUIDBytes bytesFromUuid(const QUuid& uuid)
{
    PlugInUUIDBytes bytes;
    const QByteArray rfc4122 = uuid.toRfc4122();
    std::memcpy(bytes.bytes, rfc4122.constData(), sizeof bytes.bytes);
    return bytes;
}
