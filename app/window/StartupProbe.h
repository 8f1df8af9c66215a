#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <memory>

class QWidget;

// Measures the program's own start and quit for the start-up benchmark: when the environment
// names a file in KITCHORA_STARTUP_PROBE, the first paint of the watched window is timed from the
// probe's construction (the top of main), the window is then closed as the user would quit, and
// the quit is timed until the probe is destroyed (after everything else in main). The two figures
// go to the file as one line: "shown_ms=<ms> quit_ms=<ms>". Inactive otherwise. Main thread only.
class StartupProbe : public QObject
{
public:
    // nullptr when KITCHORA_STARTUP_PROBE is unset or empty.
    static std::unique_ptr<StartupProbe> fromEnvironment();

    explicit StartupProbe(const QString& reportPath);
    ~StartupProbe() override;

    // Watches `window` for its first paint; then closes it from the next event-loop pass.
    void watch(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Clock = std::chrono::steady_clock;

    QString m_reportPath;
    QPointer<QWidget> m_window;
    Clock::time_point m_start;
    double m_shownMs = -1;
    std::chrono::steady_clock::time_point m_quitStart;
    bool m_quitting = false;
};
