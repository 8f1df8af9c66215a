#include "RegexAdditions.h"

namespace RegexAdditions
{

QString escapedRegexString(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1String("["), QLatin1String("\\["));
    escaped.replace(QLatin1String("]"), QLatin1String("\\]"));
    return escaped;
}

QString escapedReferenceString(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1String("$"), QLatin1String("$$"));
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return escaped;
}

} // namespace RegexAdditions
