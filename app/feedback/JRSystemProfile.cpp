#include "JRSystemProfile.h"

#include <QFile>
#include <QStringList>
#include <QSysInfo>
#include <QtGlobal>
#include <sys/utsname.h>

QString JRSystemProfile::osRelease(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A few lines of text; anything larger is not an os-release file.
    return QString::fromUtf8(file.read(16 * 1024)).trimmed();
}

QString JRSystemProfile::systemProfile()
{
    QStringList lines;
    lines.append(QStringLiteral("System: %1").arg(QSysInfo::prettyProductName()));
    lines.append(QStringLiteral("Kernel: %1 %2").arg(QSysInfo::kernelType(), QSysInfo::kernelVersion()));
    lines.append(QStringLiteral("Architecture: %1").arg(QSysInfo::currentCpuArchitecture()));
    utsname names {};
    if (uname(&names) == 0) {
        lines.append(QStringLiteral("uname: %1 %2 %3 %4")
                         .arg(QString::fromLocal8Bit(names.sysname), QString::fromLocal8Bit(names.release),
                             QString::fromLocal8Bit(names.version), QString::fromLocal8Bit(names.machine)));
    }
    lines.append(QStringLiteral("Qt: %1").arg(QString::fromLatin1(qVersion())));
    const QString release = osRelease();
    if (!release.isEmpty())
        lines.append(QStringLiteral("\nos-release:\n") + release);
    return lines.join(u'\n');
}
