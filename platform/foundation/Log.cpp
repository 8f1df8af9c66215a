#include "Log.h"

#include <QDebug>
#include <QMutex>

namespace Log
{
namespace
{
QMutex g_mutex;
Capture* g_capture = nullptr;
} // namespace

void log(const QString& message)
{
    {
        QMutexLocker lock(&g_mutex);
        if (g_capture) {
            g_capture->m_lines.append(message);
            return;
        }
    }
    qWarning().noquote() << message;
}

Capture::Capture()
{
    QMutexLocker lock(&g_mutex);
    m_previous = g_capture;
    g_capture = this;
}

Capture::~Capture()
{
    QMutexLocker lock(&g_mutex);
    g_capture = m_previous;
}

bool Capture::contains(const QString& fragment) const
{
    for (const QString& line : m_lines) {
        if (line.contains(fragment))
            return true;
    }
    return false;
}

} // namespace Log
