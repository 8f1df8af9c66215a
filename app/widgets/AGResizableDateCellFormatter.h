#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>

// Formats dates in a date style and a time style, and shortens both, one step at a time, until a
// sample date fits a given width.
class AGResizableDateCellFormatter
{
public:
    enum Style { NoStyle = 0, ShortStyle = 1, MediumStyle = 2, LongStyle = 3 };
    using TextWidth = std::function<qreal(const QString&)>;

    explicit AGResizableDateCellFormatter(const QLocale& locale = QLocale());

    Style dateStyle() const { return m_dateStyle; }
    Style timeStyle() const { return m_timeStyle; }
    void setDateStyle(Style style) { m_dateStyle = style; }
    void setTimeStyle(Style style) { m_timeStyle = style; }
    double lastWidthDrawnAt() const { return m_lastWidthDrawnAt; }
    void setLastWidthDrawnAt(double width) { m_lastWidthDrawnAt = width; }

    QString stringFromDate(const QDateTime& date) const;

    // For a column `width` wide: when its whole points differ from the last width fitted, starts
    // again from long styles and shortens (time first when it is not the shorter, down to a short
    // date without time) until the sample date plus a margin fits `width` as `textWidth` measures it.
    void fitToWidth(double width, const TextWidth& textWidth);

    // The date the styles are fitted with: February 22, 2006 12:55 PM.
    static QDateTime sampleDate();

private:
    QLocale m_locale;
    Style m_dateStyle = LongStyle;
    Style m_timeStyle = LongStyle;
    double m_lastWidthDrawnAt = 0.0;
};
