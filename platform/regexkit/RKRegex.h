#pragma once

#include <QRegularExpression>
#include <QString>

// A compiled Perl-compatible pattern (PCRE2 through QRegularExpression, so match offsets are
// UTF-16 units of QString). A pattern that does not compile gives an invalid regex, logged once,
// that matches nothing. Values are cheap to copy and share the compiled pattern; usable from any
// thread.
class RKRegex
{
public:
    // Bit flags of regexWithRegexString's options.
    enum CompileOption {
        RKCompileNoOptions = 0,
        RKCompileCaseless = 1,
        // "^" and "$" also match at every line start and end.
        RKCompileMultiline = 2,
        RKCompileDotAll = 4,
        RKCompileExtended = 8,
    };

    // Matches nothing.
    RKRegex() = default;
    // A pattern string as callers pass it where a regex is asked for: compiled without options.
    RKRegex(const QString& pattern); // NOLINT(google-explicit-constructor)

    // Compiled patterns are kept, so asking again for the same pattern and options compiles
    // nothing.
    static RKRegex regexWithRegexString(const QString& pattern, int options);

    bool isValid() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    QString regexString() const { return m_pattern; }
    int compileOptions() const { return m_options; }
    // Number of capture groups, 0 for an invalid regex.
    int captureCount() const;
    // The number of the group named `name`; -1 when no group has that name.
    int captureIndexForCaptureName(const QString& name) const;

    // The compiled pattern; for an invalid regex, one that never matches.
    const QRegularExpression& regularExpression() const { return m_expression; }

private:
    void compile(const QString& pattern, int options);

    QString m_pattern;
    QRegularExpression m_expression { QStringLiteral("(?!)") };
    QString m_error;
    int m_options = RKCompileNoOptions;
};
