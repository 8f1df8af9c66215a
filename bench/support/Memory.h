#pragma once

#include <QByteArray>
#include <QFile>

// The process's resident memory from /proc (Linux): now, and the high-water mark since the last
// reset, so that one phase's peak growth can be told apart from what earlier phases left.
namespace Memory
{

// A field of /proc/self/status in megabytes; 0 when unreadable.
inline double statusMB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

inline double residentMB()
{
    return statusMB("VmRSS:");
}

inline double peakMB()
{
    return statusMB("VmHWM:");
}

// Sets the high-water mark to what is resident now.
inline void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace Memory
