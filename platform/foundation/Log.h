#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Diagnostics go through one function, so tests can read what was logged.
namespace Log
{

// Writes one line to the system log (stderr through Qt's message handler) and to the capture, if any.
void log(const QString& message);

// printf-style helper with %1, %2... placeholders, as QString::arg.
template <typename... Args> void logf(const QString& format, Args&&... args)
{
    QString text = format;
    ((text = text.arg(std::forward<Args>(args))), ...);
    log(text);
}

// While alive, collects every logged line instead of printing it (nests: the innermost collects).
class Capture
{
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    const QStringList& lines() const { return m_lines; }
    bool contains(const QString& fragment) const;
    void clear() { m_lines.clear(); }

private:
    friend void log(const QString& message);
    QStringList m_lines;
    Capture* m_previous = nullptr;
};

} // namespace Log
