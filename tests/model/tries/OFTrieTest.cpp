#include "OFTrie.h"

#include "KRTrieBucket.h"

#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace
{

// Each bucket carries its own key, so answers can be checked by name.
void add(OFTrie& trie, const QString& key)
{
    ASSERT_TRUE(trie.addBucket(KRTrieBucket::bucketWithObject(key), key)) << key.toStdString();
}

void fill(OFTrie& trie, const QStringList& keys)
{
    for (const QString& key : keys)
        add(trie, key);
}

QString keyOf(const OFTrieBucket* bucket)
{
    return bucket ? static_cast<const KRTrieBucket*>(bucket)->objectValue().toString()
                  : QStringLiteral("<nil>");
}

QStringList keysOf(const QList<OFTrieBucket*>& buckets)
{
    QStringList keys;
    for (const OFTrieBucket* bucket : buckets)
        keys << keyOf(bucket);
    return keys;
}

QStringList enumerate(const OFTrie& trie)
{
    return keysOf(trie.objectEnumerator().allObjects());
}

QString folded(const QString& text)
{
    QString result = text;
    for (QChar& c : result)
        c = QChar(OFTrie::foldedCharacter(c.unicode()));
    return result;
}

// Marks when it is destroyed, to see that a replaced bucket is released.
class TrackedBucket : public KRTrieBucket
{
public:
    TrackedBucket(const QString& key, bool* destroyed)
        : KRTrieBucket(key)
        , m_destroyed(destroyed)
    {
    }
    ~TrackedBucket() override { *m_destroyed = true; }

private:
    bool* m_destroyed;
};

} // namespace

TEST(OFTrie, ExactLookupIgnoresCaseOnly)
{
    OFTrie trie(false);
    fill(trie, { "tomato", "basil leaves" });
    const struct {
        const char* query;
        const char* found;
    } cases[] = {
        { "tomato", "tomato" },
        { "Tomato", "tomato" },
        { "TOMATO", "tomato" },
        { "tOmAtO", "tomato" },
        { "Basil Leaves", "basil leaves" },
        { "tomatoes", "<nil>" },
        { "tomat", "<nil>" },
        { "t", "<nil>" },
        { "", "<nil>" },
        { "tomato ", "<nil>" },
        { "basil", "<nil>" },
        { "potato", "<nil>" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyOf(trie.bucketForString(QString::fromUtf8(c.query))), QString::fromUtf8(c.found))
            << c.query;
}

TEST(OFTrie, CaseSensitiveTrieKeepsCaseApart)
{
    OFTrie trie(true);
    fill(trie, { "Tomato", "tomato", "T" });
    EXPECT_EQ(keyOf(trie.bucketForString(u"Tomato")), "Tomato");
    EXPECT_EQ(keyOf(trie.bucketForString(u"tomato")), "tomato");
    EXPECT_EQ(keyOf(trie.bucketForString(u"T")), "T");
    EXPECT_EQ(trie.bucketForString(u"TOMATO"), nullptr);
    EXPECT_EQ(trie.bucketForString(u"t"), nullptr);
    EXPECT_EQ(enumerate(trie), QStringList({ "T", "Tomato", "tomato" }));
}

TEST(OFTrie, OverlappingKeysInAnyOrder)
{
    QStringList keys
        = { "tom", "tomato", "tomatoes", "tomatillo", "a", "ab", "", "basil", "Basil leaves", "b" };
    QStringList expected = keys;
    for (QString& key : expected)
        key = folded(key);
    std::sort(expected.begin(), expected.end(), [](const QString& l, const QString& r) {
        return std::lexicographical_compare(l.utf16(), l.utf16() + l.size(), r.utf16(), r.utf16() + r.size());
    });

    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::shuffle(keys.begin(), keys.end(), random);
        OFTrie trie(false);
        fill(trie, keys);
        for (const QString& key : keys) {
            EXPECT_EQ(keyOf(trie.bucketForString(key)), key) << keys.join('|').toStdString();
            EXPECT_EQ(keyOf(trie.bucketForString(key.toUpper())), key);
        }
        for (const char16_t* missing : { u"to", u"tomatoe", u"tomatillos", u"abc", u"basil leaf", u"c" })
            EXPECT_EQ(trie.bucketForString(missing), nullptr) << QString::fromUtf16(missing).toStdString();
        QStringList enumerated = enumerate(trie);
        for (QString& key : enumerated)
            key = folded(key);
        EXPECT_EQ(enumerated, expected) << keys.join('|').toStdString();
    }
}

TEST(OFTrie, SplittingKeepsBothKeysAndOrdersShorterFirst)
{
    OFTrie trie(false);
    fill(trie, { "tomato", "tomatoes" });
    EXPECT_EQ(keyOf(trie.bucketForString(u"tomato")), "tomato");
    EXPECT_EQ(keyOf(trie.bucketForString(u"TOMATOES")), "tomatoes");
    EXPECT_EQ(enumerate(trie), QStringList({ "tomato", "tomatoes" }));
}

TEST(OFTrie, SameKeyTwiceKeepsTheSecondBucketAndReleasesTheFirst)
{
    OFTrie trie(false);
    bool firstDestroyed = false;
    bool secondDestroyed = false;
    ASSERT_TRUE(trie.addBucket(std::make_unique<TrackedBucket>("first", &firstDestroyed), u"Salt"));
    ASSERT_TRUE(trie.addBucket(std::make_unique<TrackedBucket>("second", &secondDestroyed), u"sALT"));
    EXPECT_TRUE(firstDestroyed);
    EXPECT_FALSE(secondDestroyed);
    EXPECT_EQ(keyOf(trie.bucketForString(u"salt")), "second");
    EXPECT_EQ(enumerate(trie), QStringList({ "second" }));

    // The same when the first key had already been split from a longer one.
    add(trie, "salted");
    bool thirdDestroyed = false;
    ASSERT_TRUE(trie.addBucket(std::make_unique<TrackedBucket>("third", &thirdDestroyed), u"SALT"));
    EXPECT_TRUE(secondDestroyed);
    EXPECT_EQ(enumerate(trie), QStringList({ "third", "salted" }));
}

TEST(OFTrie, PartialStringAnswersTheOnlyKeyItCanLeadTo)
{
    OFTrie trie(false);
    fill(trie, { "tomato" });
    EXPECT_EQ(keyOf(trie.bucketForPartialString(u"tom")), "tomato");
    EXPECT_EQ(keyOf(trie.bucketForPartialString(u"TOM")), "tomato");
    EXPECT_EQ(keyOf(trie.bucketForPartialString(u"tomato")), "tomato");
    EXPECT_EQ(trie.bucketForPartialString(u"tomatoes"), nullptr);
    EXPECT_EQ(trie.bucketForPartialString(u"tx"), nullptr);

    add(trie, "tomatoes");
    EXPECT_EQ(trie.bucketForPartialString(u"tom"), nullptr);
    EXPECT_EQ(keyOf(trie.bucketForPartialString(u"tomato")), "tomato");
    EXPECT_EQ(keyOf(trie.bucketForPartialString(u"tomatoe")), "tomatoes");
    EXPECT_EQ(trie.bucketForPartialString(u""), nullptr);
}

TEST(OFTrie, EmptyTrieAnswersNothing)
{
    const OFTrie trie(false);
    EXPECT_TRUE(trie.isEmpty());
    for (const char16_t* query : { u"", u"a", u"tomato" }) {
        EXPECT_EQ(trie.bucketForString(query), nullptr);
        EXPECT_EQ(trie.bucketForPartialString(query), nullptr);
        EXPECT_FALSE(trie.objectEnumeratorFromString(query).has_value());
        EXPECT_TRUE(trie.completionsFromString(query).isEmpty());
    }
    OFTrieEnumerator enumerator = trie.objectEnumerator();
    EXPECT_EQ(enumerator.nextObject(), nullptr);
    EXPECT_EQ(enumerator.nextObject(), nullptr);
}

TEST(OFTrie, EmptyKeyIsAKeyOfItsOwn)
{
    OFTrie trie(false);
    fill(trie, { "", "a" });
    EXPECT_EQ(keyOf(trie.bucketForString(u"")), "");
    EXPECT_EQ(keyOf(trie.bucketForPartialString(u"")), "");
    EXPECT_EQ(keyOf(trie.bucketForString(u"A")), "a");
    EXPECT_EQ(enumerate(trie), QStringList({ "", "a" }));
}

TEST(OFTrie, OneCharacterKeyHangsUnderBothCases)
{
    OFTrie trie(false);
    fill(trie, { "a" });
    const OFTrieNode& head = *trie.headNode();
    ASSERT_EQ(head.childCount(), 2u);
    EXPECT_EQ(head.characters()[0], u'A');
    EXPECT_EQ(head.characters()[1], u'a');
    const OFTrieBucket* bucket = OFTrieNode::bucketOf(head.childAt(0));
    ASSERT_NE(bucket, nullptr);
    EXPECT_EQ(bucket, OFTrieNode::bucketOf(head.childAt(1)));
    EXPECT_EQ(bucket->remainingLength(), 0);
    EXPECT_EQ(bucket->lowerCharacters()[0], 0);
    EXPECT_EQ(bucket->upperCharacters()[0], 0);
}

TEST(OFTrie, KeysHoldingNulAreRefused)
{
    OFTrie trie(false);
    const QString withNul = QStringLiteral("salt") + QChar(u'\0') + QStringLiteral("pepper");
    EXPECT_FALSE(trie.addBucket(KRTrieBucket::bucketWithObject(withNul), withNul));
    EXPECT_FALSE(trie.addBucket(nullptr, u"salt"));
    EXPECT_TRUE(trie.isEmpty());

    add(trie, "salt");
    add(trie, "salted");
    const QString saltNul = QStringLiteral("salt") + QChar(u'\0');
    EXPECT_EQ(trie.bucketForString(saltNul), nullptr);
    EXPECT_EQ(trie.bucketForPartialString(saltNul), nullptr);
    EXPECT_FALSE(trie.objectEnumeratorFromString(saltNul).has_value());
}

TEST(OFTrie, LettersBeyondAsciiMatchTheirOtherCase)
{
    OFTrie trie(false);
    fill(trie,
        { u"Crème Brûlée"_qs, u"straße"_qs, u"salt"_qs, u"ϒ"_qs, u"ℂ"_qs, u"🍅 paste"_qs, u"σάλτσα"_qs,
            u"ıspanak"_qs });
    const struct {
        const char16_t* query;
        const char16_t* found;
    } cases[] = {
        { u"CRÈME BRÛLÉE", u"Crème Brûlée" },
        { u"crème brûlée", u"Crème Brûlée" },
        { u"STRAßE", u"straße" },
        { u"STRASSE", u"<nil>" }, // the trie maps case one character at a time
        { u"ſalt", u"salt" }, // long s folds to s
        { u"ϒ", u"ϒ" }, // upper-case letters without a lower case
        { u"ℂ", u"ℂ" },
        { u"🍅 PASTE", u"🍅 paste" },
        { u"ΣΆΛΤΣΑ", u"σάλτσα" },
        { u"σάλτσα", u"σάλτσα" },
        { u"ISPANAK", u"ıspanak" }, // dotless i folds with I and i
        { u"ispanak", u"ıspanak" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyOf(trie.bucketForString(c.query)), QString::fromUtf16(c.found))
            << QString::fromUtf16(c.query).toStdString();

    // Letters with no lower case must not be taken for the upper-case twin of an edge.
    const QStringList all = enumerate(trie);
    EXPECT_EQ(all.size(), 8);
    EXPECT_TRUE(all.contains(u"ϒ"_qs));
    EXPECT_TRUE(all.contains(u"ℂ"_qs));
}

TEST(OFTrie, CaseMappingIsStable)
{
    // The enumerator tells an upper-case twin edge from a folded one by folding it; that only
    // works if folding is idempotent and every twin folds back to its own character.
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        const char16_t f = OFTrie::foldedCharacter(char16_t(c));
        ASSERT_EQ(OFTrie::foldedCharacter(f), f) << std::hex << unsigned(c);
        ASSERT_EQ(OFTrie::foldedCharacter(OFTrie::upperCharacter(f)), f) << std::hex << unsigned(c);
    }
}

TEST(OFTrie, AgreesWithASortedMapOnRandomKeys)
{
    // Small alphabet with both cases, so keys overlap, split and get replaced a lot.
    const QString alphabet = QStringLiteral("abAB");
    std::mt19937 random(2024);
    const auto randomWord = [&](int maxLength) {
        QString word;
        const int length = int(random() % (maxLength + 1));
        for (int i = 0; i < length; ++i)
            word += alphabet[int(random() % alphabet.size())];
        return word;
    };

    OFTrie trie(false);
    std::map<std::u16string, QString> reference; // folded key -> last value stored
    for (int i = 0; i < 400; ++i) {
        const QString key = randomWord(6);
        const QString value = key + QLatin1Char('#') + QString::number(i);
        ASSERT_TRUE(trie.addBucket(KRTrieBucket::bucketWithObject(value), key));
        reference[folded(key).toStdU16String()] = value;
    }

    QStringList expectedAll;
    for (const auto& [key, value] : reference)
        expectedAll << value;
    EXPECT_EQ(enumerate(trie), expectedAll);

    for (int i = 0; i < 3000; ++i) {
        const QString query = randomWord(7);
        const std::u16string f = folded(query).toStdU16String();
        const auto exact = reference.find(f);
        EXPECT_EQ(keyOf(trie.bucketForString(query)), exact == reference.end() ? "<nil>" : exact->second)
            << query.toStdString();

        QStringList beginning;
        for (auto it = reference.lower_bound(f); it != reference.end() && it->first.starts_with(f); ++it)
            beginning << it->second;
        QString partial = QStringLiteral("<nil>");
        if (beginning.size() == 1)
            partial = beginning.first();
        else if (exact != reference.end())
            partial = exact->second;
        EXPECT_EQ(keyOf(trie.bucketForPartialString(query)), partial) << query.toStdString();

        const QStringList completions = query.isEmpty() ? QStringList() : beginning;
        EXPECT_EQ(keysOf(trie.completionsFromString(query)), completions) << query.toStdString();
    }
}

TEST(OFTrie, CompletionsWalkFromThePrefix)
{
    OFTrie trie(false);
    fill(trie, { "tomato", "tomato paste", "tomatillo", "thyme", "salt" });
    const struct {
        const char16_t* prefix;
        QStringList completions;
    } cases[] = {
        { u"tom", { "tomatillo", "tomato", "tomato paste" } },
        { u"TOMATO", { "tomato", "tomato paste" } },
        { u"tomato ", { "tomato paste" } },
        { u"t", { "thyme", "tomatillo", "tomato", "tomato paste" } },
        { u"th", { "thyme" } },
        { u"Thyme", { "thyme" } },
        { u"thymes", {} },
        { u"x", {} },
        { u"", {} },
    };
    for (const auto& c : cases)
        EXPECT_EQ(keysOf(trie.completionsFromString(c.prefix)), c.completions)
            << QString::fromUtf16(c.prefix).toStdString();
}

TEST(OFTrie, EnumeratorStartingAtABucketAnswersItOnce)
{
    OFTrie trie(false);
    fill(trie, { "salt", "pepper" });
    const OFTrieChild* child = trie.headNode()->childForCharacter(u's');
    ASSERT_NE(child, nullptr);
    OFTrieEnumerator enumerator(trie, *child);
    EXPECT_EQ(keyOf(enumerator.nextObject()), "salt");
    EXPECT_EQ(enumerator.nextObject(), nullptr);
    EXPECT_EQ(enumerator.nextObject(), nullptr);
}

TEST(OFTrie, EnumeratorOutlivesItsTrie)
{
    auto trie = std::make_unique<OFTrie>(false);
    for (const char* key : { "flour", "flour tortilla", "fennel", "fig" })
        add(*trie, key);
    OFTrieEnumerator enumerator = trie->objectEnumerator();
    EXPECT_EQ(keyOf(enumerator.nextObject()), "fennel");
    trie.reset();
    QStringList rest;
    while (const OFTrieBucket* bucket = enumerator.nextObject())
        rest << keyOf(bucket);
    EXPECT_EQ(rest, QStringList({ "fig", "flour", "flour tortilla" }));
}

TEST(OFTrie, VeryLongSharedPrefixesNeitherFailNorExhaustTheStack)
{
    const QString stem(50000, QLatin1Char('x'));
    auto trie = std::make_unique<OFTrie>(false);
    add(*trie, stem + QStringLiteral("a"));
    add(*trie, stem + QStringLiteral("b"));
    EXPECT_EQ(keyOf(trie->bucketForString(stem.toUpper() + QStringLiteral("B"))), stem + QStringLiteral("b"));
    EXPECT_EQ(trie->bucketForString(stem), nullptr);
    EXPECT_EQ(trie->completionsFromString(stem).size(), 2);
    trie.reset(); // tears down a 50,000-node chain
}
