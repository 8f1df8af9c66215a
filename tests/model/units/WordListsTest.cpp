#include "UnitsEngine.h"

#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

namespace
{

QStringList linesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

} // namespace

// The word lists the parser is seeded with: one clean entry a line, sorted, no repeats.
TEST(WordLists, ShippedListsAreCleanSortedAndLargeEnough)
{
    const struct {
        const char* path;
        qsizetype atLeast;
    } lists[] = { { ":/ingredients.txt", 2000 }, { ":/modifiers.txt", 300 }, { ":/measures.txt", 40 } };
    for (const auto& list : lists) {
        const QStringList lines = linesOf(QString::fromLatin1(list.path));
        EXPECT_GE(lines.size(), list.atLeast) << list.path;
        QSet<QString> seen;
        QString previous;
        for (const QString& line : lines) {
            EXPECT_FALSE(line.isEmpty()) << list.path;
            EXPECT_EQ(line, line.trimmed()) << list.path << ": " << line.toStdString();
            EXPECT_EQ(line, line.toLower()) << list.path << ": " << line.toStdString();
            EXPECT_FALSE(seen.contains(line)) << list.path << ": " << line.toStdString();
            EXPECT_LT(previous, line) << list.path << ": " << line.toStdString();
            seen.insert(line);
            previous = line;
        }
    }
}

TEST(WordLists, EveryMeasureWordNamesAUnitOnceLoaded)
{
    UnitsEngine engine;
    engine.loadUnits(QString());
    for (const QString& word : linesOf(QStringLiteral(":/measures.txt")))
        EXPECT_TRUE(engine.unitForName(word)) << word.toStdString();
}
