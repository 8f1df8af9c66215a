#include "PathExtensions.h"

#include <QDir>
#include <QFileInfo>

namespace PathExtensions
{

QString stringByResolvingAliasesInPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    QString expanded = path;
    if (expanded == QLatin1String("~") || expanded.startsWith(QLatin1String("~/")))
        expanded.replace(0, 1, QDir::homePath());
    const QFileInfo info(expanded);
    if (info.exists()) {
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty())
            return canonical;
    }
    return QDir::cleanPath(info.absoluteFilePath());
}

} // namespace PathExtensions
