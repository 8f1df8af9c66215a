#include "AGResizableDateCell.h"

#include "AGResizableDateCellFormatter.h"

#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <gtest/gtest.h>

namespace
{

using Formatter = AGResizableDateCellFormatter;

// Each style pair the fitting tries, as "date/time", and a width per pair from a table.
struct Measurer {
    std::map<QString, qreal> widthOf;
    QStringList tried;
    Formatter* formatter = nullptr;

    Formatter::TextWidth function()
    {
        return [this](const QString& text) {
            const QString pair
                = QStringLiteral("%1/%2").arg(formatter->dateStyle()).arg(formatter->timeStyle());
            tried.append(pair);
            EXPECT_EQ(text, formatter->stringFromDate(Formatter::sampleDate()));
            return widthOf.count(pair) ? widthOf.at(pair) : 1000.0;
        };
    }
};

} // namespace

TEST(AGResizableDateCellFormatter, FormatsEachStyle)
{
    Formatter formatter(QLocale(QLocale::English, QLocale::UnitedStates));
    const QDateTime date = Formatter::sampleDate();
    const struct {
        Formatter::Style date, time;
        QString text;
    } cases[] = {
        { Formatter::LongStyle, Formatter::NoStyle, "February 22, 2006" },
        { Formatter::MediumStyle, Formatter::NoStyle, "Feb 22, 2006" },
        { Formatter::ShortStyle, Formatter::NoStyle, "2/22/06" },
        { Formatter::NoStyle, Formatter::MediumStyle, "12:55:00\u202fPM" },
        { Formatter::NoStyle, Formatter::ShortStyle, "12:55\u202fPM" },
        { Formatter::MediumStyle, Formatter::ShortStyle, "Feb 22, 2006 12:55\u202fPM" },
    };
    for (const auto& c : cases) {
        formatter.setDateStyle(c.date);
        formatter.setTimeStyle(c.time);
        // Locales differ in the space before the day period; compare with plain spaces.
        QString text = formatter.stringFromDate(date);
        QString expected = c.text;
        EXPECT_EQ(text.replace(u'\u202f', u' '), expected.replace(u'\u202f', u' '))
            << c.date << "/" << c.time;
    }
    formatter.setDateStyle(Formatter::LongStyle);
    formatter.setTimeStyle(Formatter::LongStyle);
    EXPECT_TRUE(formatter.stringFromDate(date).startsWith("February 22, 2006 12:55:00"));
    EXPECT_EQ(formatter.stringFromDate(QDateTime()), "");
}

TEST(AGResizableDateCellFormatter, ShortensTimeAndDateInTurnUntilTheSampleFits)
{
    const QStringList ladder = { "3/3", "3/2", "2/2", "2/1", "1/1", "1/0" };
    const struct {
        const char* what;
        std::map<QString, qreal> widths;
        int steps; // pairs tried
    } cases[] = {
        { "wide enough at once", { { "3/3", 92 } }, 1 },
        { "fits at medium and medium", { { "2/2", 40 } }, 3 },
        { "the margin counts", { { "2/2", 92.5 }, { "2/1", 92 } }, 4 },
        { "nothing fits: short date, no time", {}, 6 },
    };
    for (const auto& c : cases) {
        Formatter formatter;
        Measurer measurer { c.widths, {}, &formatter };
        formatter.fitToWidth(100.0, measurer.function());
        EXPECT_EQ(measurer.tried, ladder.mid(0, c.steps)) << c.what;
        EXPECT_EQ(QStringLiteral("%1/%2").arg(formatter.dateStyle()).arg(formatter.timeStyle()),
            ladder.at(c.steps - 1))
            << c.what;
        EXPECT_EQ(formatter.lastWidthDrawnAt(), 100.0) << c.what;
    }
}

TEST(AGResizableDateCellFormatter, FitsAgainOnlyWhenTheWholePointsOfTheWidthChange)
{
    Formatter formatter;
    Measurer measurer { {}, {}, &formatter };
    formatter.fitToWidth(60.2, measurer.function());
    EXPECT_EQ(measurer.tried.size(), 6);
    EXPECT_EQ(formatter.dateStyle(), Formatter::ShortStyle);
    EXPECT_EQ(formatter.timeStyle(), Formatter::NoStyle);

    measurer.tried.clear();
    formatter.fitToWidth(60.9, measurer.function());
    EXPECT_TRUE(measurer.tried.isEmpty());

    measurer.widthOf = { { "3/3", 10 } };
    formatter.fitToWidth(61.0, measurer.function());
    EXPECT_EQ(measurer.tried, QStringList { "3/3" });
    EXPECT_EQ(formatter.dateStyle(), Formatter::LongStyle);
}

TEST(AGResizableDateCell, NarrowColumnDrawsAShortDateWithoutTime)
{
    QStandardItemModel model;
    auto* item = new QStandardItem;
    item->setData(QDateTime(QDate(2024, 3, 9), QTime(18, 30)), Qt::DisplayRole);
    model.appendRow(item);
    AGResizableDateCell cell;
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 60, 18);
    option.font = QFont("Helvetica", 11);
    option.state = QStyle::State_Enabled;
    option.palette.setColor(QPalette::Text, Qt::black);

    QImage image(60, 18, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    cell.paint(&painter, option, model.index(0, 0));
    painter.end();

    EXPECT_EQ(cell.formatter().dateStyle(), AGResizableDateCellFormatter::ShortStyle);
    EXPECT_EQ(cell.formatter().timeStyle(), AGResizableDateCellFormatter::NoStyle);
    EXPECT_EQ(cell.formatter().lastWidthDrawnAt(), 60.0);
    int inked = 0;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 60; ++x)
            inked += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    EXPECT_GT(inked, 10);
}
