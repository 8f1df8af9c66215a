#include "AGResizableDateCellFormatter.h"

#include <QRegularExpression>
#include <cmath>

namespace
{

// Room left beside the text in the column.
constexpr double FitMargin = 8.0;

// The locale's long date without its weekday ("dddd, MMMM d, yyyy" -> "MMMM d, yyyy").
QString longDateFormat(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("d{4}[^A-Za-z']*"));
    format.remove(weekday);
    return format.trimmed();
}

QString dateFormat(const QLocale& locale, AGResizableDateCellFormatter::Style style)
{
    switch (style) {
    case AGResizableDateCellFormatter::LongStyle:
        return longDateFormat(locale);
    case AGResizableDateCellFormatter::MediumStyle: {
        // The long date with its month abbreviated.
        QString format = longDateFormat(locale);
        return format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    }
    case AGResizableDateCellFormatter::ShortStyle:
        return locale.dateFormat(QLocale::ShortFormat);
    case AGResizableDateCellFormatter::NoStyle:
        break;
    }
    return QString();
}

QString timeFormat(const QLocale& locale, AGResizableDateCellFormatter::Style style)
{
    switch (style) {
    case AGResizableDateCellFormatter::LongStyle:
        return locale.timeFormat(QLocale::LongFormat);
    case AGResizableDateCellFormatter::MediumStyle: {
        // Seconds, without the time zone.
        QString format = locale.timeFormat(QLocale::LongFormat);
        static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
        return format.replace(zone, QStringLiteral(" ")).trimmed();
    }
    case AGResizableDateCellFormatter::ShortStyle:
        return locale.timeFormat(QLocale::ShortFormat);
    case AGResizableDateCellFormatter::NoStyle:
        break;
    }
    return QString();
}

} // namespace

AGResizableDateCellFormatter::AGResizableDateCellFormatter(const QLocale& locale)
    : m_locale(locale)
{
}

QString AGResizableDateCellFormatter::stringFromDate(const QDateTime& date) const
{
    if (!date.isValid())
        return QString();
    QStringList parts;
    if (m_dateStyle != NoStyle)
        parts.append(m_locale.toString(date.date(), dateFormat(m_locale, m_dateStyle)));
    if (m_timeStyle != NoStyle)
        parts.append(m_locale.toString(date.time(), timeFormat(m_locale, m_timeStyle)));
    return parts.join(u' ');
}

QDateTime AGResizableDateCellFormatter::sampleDate()
{
    return QDateTime(QDate(2006, 2, 22), QTime(12, 55));
}

void AGResizableDateCellFormatter::fitToWidth(double width, const TextWidth& textWidth)
{
    if (std::trunc(width) == std::trunc(m_lastWidthDrawnAt))
        return;
    m_dateStyle = LongStyle;
    m_timeStyle = LongStyle;
    m_lastWidthDrawnAt = width;
    const QDateTime sample = sampleDate();
    while (textWidth(stringFromDate(sample)) + FitMargin > width) {
        if (m_dateStyle == ShortStyle && m_timeStyle == NoStyle)
            break;
        if (m_timeStyle >= m_dateStyle)
            m_timeStyle = Style(m_timeStyle - 1);
        else
            m_dateStyle = Style(m_dateStyle - 1);
    }
}
