#include "KRTrieBucket.h"
#include "OFTrie.h"
#include "ParsingEngine.h"

#include <QRandomGenerator>
#include <QSet>
#include <algorithm>
#include <gtest/gtest.h>

namespace
{

// The known ingredients of a text found the plain way: every candidate name searched from the
// start of the text, and each found place cut out of it before the next name is searched, so
// that the text left joins around it.
QList<ParsingEngine::KnownMention> plainKnownIngredients(
    const QString& text, const ParsingEngine::KnownIngredients& known, const QStringList& unitNames)
{
    const auto stemOf = [](const QString& name) {
        if (name.endsWith(QLatin1String("es"), Qt::CaseInsensitive))
            return name.chopped(2);
        if (name.endsWith(QLatin1Char('s'), Qt::CaseInsensitive))
            return name.chopped(1);
        return QString();
    };
    const QSet<QString> units(unitNames.begin(), unitNames.end());
    QStringList candidates;
    const auto add = [&](const QString& prefix) {
        for (const QString& name : known.namesBeginningWith(prefix)) {
            const QString stem = stemOf(name);
            if (!name.isEmpty()
                && (text.contains(name, Qt::CaseInsensitive)
                    || (!stem.isEmpty() && text.contains(stem, Qt::CaseInsensitive))))
                candidates.append(name);
        }
    };
    for (const QString& word : ParsingEngine::wordsInString(text)) {
        if (units.contains(word))
            continue;
        add(word);
        if (word.endsWith(QLatin1Char('s'), Qt::CaseInsensitive) && word.size() > 1)
            add(word.chopped(1));
        if (word.endsWith(QLatin1String("es"), Qt::CaseInsensitive) && word.size() > 2)
            add(word.chopped(2));
    }
    std::stable_sort(candidates.begin(), candidates.end(),
        [](const QString& a, const QString& b) { return a.size() > b.size(); });
    QList<ParsingEngine::KnownMention> mentions;
    QString rest = text;
    for (const QString& name : candidates) {
        qsizetype at = rest.indexOf(name, 0, Qt::CaseInsensitive);
        qsizetype length = name.size();
        if (at < 0) {
            const QString stem = stemOf(name);
            if (stem.isEmpty())
                continue;
            at = rest.indexOf(stem, 0, Qt::CaseInsensitive);
            length = stem.size();
        }
        if (at < 0)
            continue;
        const std::optional<QString> held = known.nameForKey(name);
        if (!held)
            continue;
        mentions.append({ name, *held });
        rest.remove(at, length);
    }
    return mentions;
}

// Names that begin alike, hold one another and end in plural endings, over the few characters
// the texts are made of, so that names are found across the places cut out before them.
TEST(KnownIngredientsSearchTest, MentionsAreWhatCuttingOutEachFoundNameInTurnGives)
{
    const QStringList names { "ab", "abs", "Abes", "ba", "b a", "aab", "es", "bas", "sab a", "a,b", "bab",
        "absa", "s", "e a", "abab", "sea" };
    ParsingEngine::KnownIngredients known;
    known.namesBeginningWith = [&](const QString& prefix) {
        QStringList found;
        for (const QString& name : names) {
            if (name.startsWith(prefix, Qt::CaseInsensitive))
                found.append(name);
        }
        return found;
    };
    // "bab" is a key left without its ingredient.
    known.nameForKey = [&](const QString& key) -> std::optional<QString> {
        if (key == QLatin1String("bab") || !names.contains(key))
            return std::nullopt;
        return key.toUpper();
    };
    const QStringList units { "e", "as" };
    const QString alphabet = QStringLiteral("abseAB ,");
    QRandomGenerator random(1234567);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = round % 10 == 0 ? 300 + random.bounded(300) : random.bounded(40);
        for (int i = 0; i < length; ++i)
            text.append(alphabet.at(random.bounded(int(alphabet.size()))));
        SCOPED_TRACE(qPrintable(text));
        const QList<ParsingEngine::KnownMention> found
            = ParsingEngine::knownIngredientsInString(text, known, units);
        const QList<ParsingEngine::KnownMention> expected = plainKnownIngredients(text, known, units);
        ASSERT_EQ(found.size(), expected.size());
        for (qsizetype i = 0; i < found.size(); ++i) {
            ASSERT_EQ(found.at(i).key, expected.at(i).key) << i;
            ASSERT_EQ(found.at(i).name, expected.at(i).name) << i;
        }
    }
}

// Names asked for once a text, through one walk of the trie, give what asking once a word gives.
TEST(KnownIngredientsSearchTest, NamesHeldByTheTextGiveWhatNamesBeginningWithEachWordGive)
{
    const QStringList names { "ab", "abs", "Abes", "ba", "b a", "aab", "es", "bas", "sab a", "a,b", "bab",
        "absa", "s", "e a", "abab", "sea", "abe", "BEES", "be", "aes" };
    auto trie = std::make_shared<OFTrie>(false);
    for (const QString& name : names)
        trie->addBucket(KRTrieBucket::bucketWithObject(name), name);
    const auto nameOf = [](const OFTrieBucket* bucket) {
        return static_cast<const KRTrieBucket*>(bucket)->objectValue().toString();
    };
    ParsingEngine::KnownIngredients perWord;
    perWord.namesBeginningWith = [&](const QString& prefix) {
        QStringList found;
        for (const OFTrieBucket* bucket : trie->completionsFromString(prefix))
            found.append(nameOf(bucket));
        return found;
    };
    perWord.nameForKey = [&](const QString& key) -> std::optional<QString> {
        if (const OFTrieBucket* bucket = trie->bucketForString(key))
            return nameOf(bucket);
        return std::nullopt;
    };
    ParsingEngine::KnownIngredients perText = perWord;
    perText.namesHeldBy = [&](const QString& text) {
        QStringList found;
        for (const OFTrieBucket* bucket : trie->bucketsHeldByText(text))
            found.append(nameOf(bucket));
        return found;
    };
    const QStringList units { "e", "as" };
    const QString alphabet = QStringLiteral("abseABS ,");
    QRandomGenerator random(7654321);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = round % 10 == 0 ? 300 + random.bounded(300) : random.bounded(40);
        for (int i = 0; i < length; ++i)
            text.append(alphabet.at(random.bounded(int(alphabet.size()))));
        SCOPED_TRACE(qPrintable(text));
        const QList<ParsingEngine::KnownMention> found
            = ParsingEngine::knownIngredientsInString(text, perText, units);
        const QList<ParsingEngine::KnownMention> expected
            = ParsingEngine::knownIngredientsInString(text, perWord, units);
        ASSERT_EQ(found.size(), expected.size());
        for (qsizetype i = 0; i < found.size(); ++i) {
            ASSERT_EQ(found.at(i).key, expected.at(i).key) << i;
            ASSERT_EQ(found.at(i).name, expected.at(i).name) << i;
        }
    }
}

} // namespace
