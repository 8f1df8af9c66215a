#include "StartupProbe.h"

#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>

std::unique_ptr<StartupProbe> StartupProbe::fromEnvironment()
{
    const QString path = qEnvironmentVariable("KITCHORA_STARTUP_PROBE");
    if (path.isEmpty())
        return nullptr;
    return std::make_unique<StartupProbe>(path);
}

StartupProbe::StartupProbe(const QString& reportPath)
    : m_reportPath(reportPath)
    , m_start(Clock::now())
{
}

StartupProbe::~StartupProbe()
{
    const double quitMs
        = m_quitting ? std::chrono::duration<double, std::milli>(Clock::now() - m_quitStart).count() : -1;
    QFile report(m_reportPath);
    if (report.open(QIODevice::WriteOnly | QIODevice::Truncate))
        report.write(QStringLiteral("shown_ms=%1 quit_ms=%2\n").arg(m_shownMs).arg(quitMs).toUtf8());
}

void StartupProbe::watch(QWidget* window)
{
    m_window = window;
    window->installEventFilter(this);
}

bool StartupProbe::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Paint && m_shownMs < 0) {
        m_shownMs = std::chrono::duration<double, std::milli>(Clock::now() - m_start).count();
        QTimer::singleShot(0, this, [this] {
            if (!m_window)
                return;
            m_quitting = true;
            m_quitStart = Clock::now();
            m_window->close();
        });
    }
    return QObject::eventFilter(watched, event);
}
