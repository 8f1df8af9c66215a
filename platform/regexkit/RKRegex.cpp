#include "RKRegex.h"

#include "Log.h"

#include <QHash>
#include <mutex>
#include <utility>

namespace
{

// Patterns are few and reused (labels, templates, fixed expressions): a bounded table spares
// compiling them per call. Emptied when full rather than aged, which is enough for that use.
constexpr qsizetype CacheLimit = 256;

struct CacheKey {
    QString pattern;
    int options;
    bool operator==(const CacheKey&) const = default;
};

size_t qHash(const CacheKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.pattern, key.options);
}

QRegularExpression::PatternOptions patternOptions(int options)
{
    QRegularExpression::PatternOptions result = QRegularExpression::NoPatternOption;
    if (options & RKRegex::RKCompileCaseless)
        result |= QRegularExpression::CaseInsensitiveOption;
    if (options & RKRegex::RKCompileMultiline)
        result |= QRegularExpression::MultilineOption;
    if (options & RKRegex::RKCompileDotAll)
        result |= QRegularExpression::DotMatchesEverythingOption;
    if (options & RKRegex::RKCompileExtended)
        result |= QRegularExpression::ExtendedPatternSyntaxOption;
    return result;
}

QRegularExpression compiled(const QString& pattern, int options)
{
    static std::mutex mutex;
    static QHash<CacheKey, QRegularExpression> cache;

    const CacheKey key { pattern, options };
    std::lock_guard<std::mutex> guard(mutex);
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;

    QRegularExpression expression(pattern, patternOptions(options));
    if (expression.isValid())
        expression.optimize();
    else
        Log::logf(QStringLiteral("RKRegex: the pattern \"%1\" does not compile: %2 (at %3)"), pattern,
            expression.errorString(), expression.patternErrorOffset());
    if (cache.size() >= CacheLimit)
        cache.clear();
    cache.insert(key, expression);
    return expression;
}

} // namespace

RKRegex::RKRegex(const QString& pattern)
{
    compile(pattern, RKCompileNoOptions);
}

RKRegex RKRegex::regexWithRegexString(const QString& pattern, int options)
{
    RKRegex regex;
    regex.compile(pattern, options);
    return regex;
}

void RKRegex::compile(const QString& pattern, int options)
{
    static const QRegularExpression neverMatches(QStringLiteral("(?!)"));
    m_pattern = pattern;
    m_options = options;
    m_expression = compiled(pattern, options);
    if (!m_expression.isValid()) {
        m_error = m_expression.errorString();
        m_expression = neverMatches;
    }
}

int RKRegex::captureCount() const
{
    return isValid() ? std::max(0, m_expression.captureCount()) : 0;
}

int RKRegex::captureIndexForCaptureName(const QString& name) const
{
    if (name.isEmpty())
        return -1;
    const QStringList names = m_expression.namedCaptureGroups();
    return int(names.indexOf(name));
}
