#include "SearchResultSeparator.h"

#include <QTransform>

SearchResultSeparator::SearchResultSeparator()
{
    m_disclosurePath.moveTo(-4, -5);
    m_disclosurePath.lineTo(4, 0);
    m_disclosurePath.lineTo(-4, 5);
    m_disclosurePath.closeSubpath();
    setIsDisclosed(true);
}

SearchResultSeparator::SearchResultSeparator(const QString& title)
    : SearchResultSeparator()
{
    m_title = title;
}

void SearchResultSeparator::setIsDisclosed(bool disclosed)
{
    m_disclosurePath = QTransform().rotate(disclosed ? 90.0 : -90.0).map(m_disclosurePath);
    m_isDisclosed = disclosed;
}

QVariant SearchResultSeparator::valueForKey(const QString& key) const
{
    if (key == QLatin1String("title"))
        return m_title;
    if (key == QLatin1String("count"))
        return m_count;
    if (key == QLatin1String("isDisclosed"))
        return m_isDisclosed;
    return {};
}

QString SearchResultSeparator::debugDescription() const
{
    return QStringLiteral("%1 - (Disclosed: %2)\n")
        .arg(m_title, m_isDisclosed ? QStringLiteral("YES") : QStringLiteral("NO"));
}
