#include "DBMetadata.h"

QString DBMetadata::filename() const
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString last = path.mid(slash + 1);
    return last.isEmpty() ? QStringLiteral("/") : last;
}
