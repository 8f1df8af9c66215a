#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Diagnostics go through one function, so tests can read what was logged.
namespace Log
{

// Writes one line to the system log (stderr through Qt's message handler) and to the capture, if any.
void log(const QString& message);

namespace detail
{

inline QString logText(const QString& text)
{
    return text;
}
inline QString logText(QLatin1String text)
{
    return text;
}
template <typename T> QString logText(const T& value)
{
    return QStringLiteral("%1").arg(value);
}

} // namespace detail

// printf-style helper with %1, %2... placeholders. All are filled in one pass, so a value that
// itself contains "%2" is logged as written rather than substituted again.
template <typename... Args> void logf(const QString& format, Args&&... args)
{
    if constexpr (sizeof...(Args) == 0)
        log(format);
    else
        log(format.arg(detail::logText(std::forward<Args>(args))...));
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
