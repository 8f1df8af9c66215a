#include "UUID.h"

#include <QUuid>

QString UUID::mg_stringWithNewUUID()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}
