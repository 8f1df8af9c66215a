#include "OFTrie.h"

#include "OFTrieBucket.h"

#include <QChar>
#include <QVarLengthArray>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace
{

// Keys up to this many code units are copied on the stack; longer ones go to the heap.
constexpr qsizetype InlineKeyLength = 128;

} // namespace

OFTrie::OFTrie(bool caseSensitive)
    : m_head(std::make_shared<OFTrieNode>())
    , m_caseSensitive(caseSensitive)
{
}

OFTrie::~OFTrie() = default;

char16_t OFTrie::foldedCharacter(char16_t character)
{
    if (character < 128)
        return character >= u'A' && character <= u'Z' ? char16_t(character + (u'a' - u'A')) : character;
    // Through upper case first, so that letters with several lower-case forms (ſ, ς, ı) meet
    // their usual one.
    return char16_t(QChar::toLower(QChar::toUpper(char32_t(character))));
}

char16_t OFTrie::upperCharacter(char16_t folded)
{
    const auto upper = char16_t(QChar::toUpper(char32_t(folded)));
    return foldedCharacter(upper) == folded ? upper : folded;
}

const OFTrieChild* OFTrie::childForFolded(const OFTrieNode& node, char16_t character) const
{
    const char16_t folded = foldedCharacter(character);
    return folded == character ? nullptr : node.childForCharacter(folded);
}

bool OFTrie::sameCharacter(char16_t query, const OFTrieBucket& bucket, qsizetype index) const
{
    const char16_t lower = bucket.lowerCharacters()[index];
    if (query == lower || query == bucket.upperCharacters()[index])
        return true;
    return !m_caseSensitive && foldedCharacter(query) == lower;
}

bool OFTrie::restMatches(const OFTrieBucket& bucket, QStringView string, qsizetype from, bool wholeRest) const
{
    const qsizetype remaining = qMax<qsizetype>(0, string.size() - from);
    const qsizetype restLength = bucket.remainingLength();
    if (remaining > restLength || (wholeRest && remaining != restLength))
        return false;
    for (qsizetype i = 0; i < remaining; ++i) {
        if (!sameCharacter(string[from + i].unicode(), bucket, i))
            return false;
    }
    return true;
}

void OFTrie::addEdge(OFTrieNode& node, char16_t lower, char16_t upper, const OFTrieChild& child) const
{
    node.addChild(child, lower);
    if (upper != lower)
        node.addChild(child, upper);
}

bool OFTrie::addBucket(std::unique_ptr<OFTrieBucket> bucket, QStringView string)
{
    if (!bucket || string.contains(QChar(u'\0')))
        return false;

    const qsizetype length = string.size();
    QVarLengthArray<char16_t, InlineKeyLength> lower(length + 1);
    QVarLengthArray<char16_t, InlineKeyLength> upperCopy(m_caseSensitive ? 0 : length + 1);
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t character = string[i].unicode();
        lower[i] = m_caseSensitive ? character : foldedCharacter(character);
        if (!m_caseSensitive)
            upperCopy[i] = upperCharacter(lower[i]);
    }
    lower[length] = 0;
    if (!m_caseSensitive)
        upperCopy[length] = 0;
    const char16_t* upper = m_caseSensitive ? lower.data() : upperCopy.data();

    OFTrieNode* node = m_head.get();
    qsizetype p = 0;
    for (;; ++p) {
        const OFTrieChild* child = node->childForCharacter(lower[p]);
        if (!child)
            break;
        if (OFTrieNode* next = OFTrieNode::nodeOf(*child)) {
            Q_ASSERT(lower[p] != 0);
            node = next;
            continue;
        }
        if (lower[p] == 0)
            break; // the key ends where an equal one did: replace its bucket

        // Another key's bucket hangs here. Find how far the two keys go on together.
        const std::shared_ptr<OFTrieBucket> existing = std::get<std::shared_ptr<OFTrieBucket>>(*child);
        const char16_t* restLower = existing->lowerCharacters();
        const char16_t* restUpper = existing->upperCharacters();
        const qsizetype restLength = existing->remainingLength();
        qsizetype common = 0;
        while (common < restLength && restLower[common] == lower[p + 1 + common])
            ++common;
        if (common == restLength && lower[p + 1 + common] == 0)
            break; // equal keys

        // One node for the edge that led to the old bucket and one per shared character; the
        // old bucket moves below the last of them under its first character of its own.
        auto first = std::make_shared<OFTrieNode>();
        OFTrieNode* last = first.get();
        addEdge(*node, lower[p], upper[p], first);
        for (qsizetype j = 1; j <= common; ++j) {
            auto next = std::make_shared<OFTrieNode>();
            addEdge(*last, lower[p + j], upper[p + j], next);
            last = next.get();
        }
        const char16_t differing = common < restLength ? restLower[common] : 0;
        const char16_t differingUpper = common < restLength ? restUpper[common] : 0;
        addEdge(*last, differing, differingUpper, existing);
        if (differing == 0)
            existing->setRemainingLower(nullptr, nullptr, 0);
        else
            existing->setRemainingLower(
                restLower + common + 1, restUpper + common + 1, restLength - common - 1);
        node = last;
        p += common + 1;
        break;
    }

    OFTrieBucket* stored = bucket.get();
    addEdge(*node, lower[p], upper[p], std::shared_ptr<OFTrieBucket>(std::move(bucket)));
    if (p < length)
        stored->setRemainingLower(lower.data() + p + 1, upper + p + 1, length - p - 1);
    else
        stored->setRemainingLower(nullptr, nullptr, 0);

    // Only the nodes on the key's way changed, and with them what goes on from them by "s" or
    // "es" (a node two above a change is on the way too).
    OFTrieNode* on = m_head.get();
    for (qsizetype q = 0;; ++q) {
        on->setPluralKeys(quint8((bucketBelow(*on, u"s") ? OFTrieNode::PluralS : 0)
            | (bucketBelow(*on, u"es") ? OFTrieNode::PluralES : 0)));
        const OFTrieChild* child = q < length ? on->childForCharacter(lower[q]) : nullptr;
        OFTrieNode* next = child ? OFTrieNode::nodeOf(*child) : nullptr;
        if (!next)
            break;
        on = next;
    }
    return true;
}

OFTrieBucket* OFTrie::bucketForString(QStringView string) const
{
    const OFTrieNode* node = m_head.get();
    const qsizetype length = string.size();
    for (qsizetype p = 0;; ++p) {
        const char16_t character = p < length ? string[p].unicode() : 0;
        if (character == 0 && p < length)
            return nullptr; // U+0000 never belongs to a key
        const OFTrieChild* child = childFor(*node, character);
        if (!child)
            return nullptr;
        if (const OFTrieNode* next = OFTrieNode::nodeOf(*child)) {
            node = next;
            continue;
        }
        OFTrieBucket* bucket = OFTrieNode::bucketOf(*child);
        return restMatches(*bucket, string, p + 1, true) ? bucket : nullptr;
    }
}

OFTrieBucket* OFTrie::bucketForPartialString(QStringView string) const
{
    const OFTrieNode* node = m_head.get();
    for (qsizetype p = 0; p < string.size(); ++p) {
        const char16_t character = string[p].unicode();
        if (character == 0)
            return nullptr;
        const OFTrieChild* child = childFor(*node, character);
        if (!child)
            return nullptr;
        if (const OFTrieNode* next = OFTrieNode::nodeOf(*child)) {
            node = next;
            continue;
        }
        OFTrieBucket* bucket = OFTrieNode::bucketOf(*child);
        return restMatches(*bucket, string, p + 1, false) ? bucket : nullptr;
    }
    const OFTrieChild* ending = node->childForCharacter(0);
    return ending ? OFTrieNode::bucketOf(*ending) : nullptr;
}

OFTrieEnumerator OFTrie::objectEnumerator() const
{
    return OFTrieEnumerator(*this);
}

std::optional<OFTrieEnumerator> OFTrie::objectEnumeratorFromString(QStringView prefix) const
{
    if (isEmpty())
        return std::nullopt;
    const OFTrieNode* node = m_head.get();
    for (qsizetype p = 0; p < prefix.size(); ++p) {
        const char16_t character = prefix[p].unicode();
        if (character == 0)
            return std::nullopt;
        const OFTrieChild* child = childFor(*node, character);
        if (!child)
            return std::nullopt;
        if (const OFTrieNode* next = OFTrieNode::nodeOf(*child)) {
            if (p == prefix.size() - 1)
                return OFTrieEnumerator(*this, *child);
            node = next;
            continue;
        }
        if (!restMatches(*OFTrieNode::bucketOf(*child), prefix, p + 1, false))
            return std::nullopt;
        return OFTrieEnumerator(*this, *child);
    }
    return std::nullopt; // an empty prefix begins no walk
}

QList<OFTrieBucket*> OFTrie::completionsFromString(QStringView prefix) const
{
    std::optional<OFTrieEnumerator> enumerator = objectEnumeratorFromString(prefix);
    if (!enumerator)
        return {};
    QList<OFTrieBucket*> buckets = enumerator->allObjects();
    OFTrieBucket* partial = bucketForPartialString(prefix);
    if (partial && !buckets.contains(partial))
        buckets.append(partial);
    return buckets;
}

OFTrieBucket* OFTrie::bucketBelow(const OFTrieNode& node, std::u16string_view rest) const
{
    const OFTrieNode* at = &node;
    for (std::size_t p = 0;; ++p) {
        const char16_t character = p < rest.size() ? rest[p] : 0;
        const OFTrieChild* child = at->childForCharacter(character);
        if (!child)
            return nullptr;
        if (const OFTrieNode* next = OFTrieNode::nodeOf(*child)) {
            at = next;
            continue;
        }
        OFTrieBucket* bucket = OFTrieNode::bucketOf(*child);
        const std::size_t remaining = p < rest.size() ? rest.size() - p - 1 : 0;
        if (qsizetype(remaining) != bucket->remainingLength())
            return nullptr;
        for (std::size_t i = 0; i < remaining; ++i) {
            if (bucket->lowerCharacters()[i] != rest[p + 1 + i])
                return nullptr;
        }
        return bucket;
    }
}

QList<OFTrieBucket*> OFTrie::bucketsHeldByText(QStringView text) const
{
    const qsizetype size = text.size();
    // The text folded as keys are stored: what a walk from a place has walked is the key so far.
    QVarLengthArray<char16_t, 256> folded(size);
    for (qsizetype i = 0; i < size; ++i)
        folded[i] = m_caseSensitive ? text[i].unicode() : foldedCharacter(text[i].unicode());
    // Each bucket found with its folded key, so that they can be put in the enumerator's order:
    // the key is folded[start, start + length) followed by an ending.
    struct Found {
        OFTrieBucket* bucket;
        qsizetype start;
        qsizetype length;
        const char16_t* ending;
        qsizetype endingLength;

        char16_t at(const char16_t* text, qsizetype i) const
        {
            return i < length ? text[start + i] : ending[i - length];
        }
        qsizetype size() const { return length + endingLength; }
    };
    QVarLengthArray<Found, 32> found;
    for (qsizetype start = 0; start < size; ++start) {
        const OFTrieNode* node = m_head.get();
        for (qsizetype p = start;; ++p) {
            const qsizetype walked = p - start;
            // Keys that end here, and those that end here but for their plural ending; a key
            // ending in "es" is held by the text without both letters.
            if (const OFTrieChild* ending = node->childForCharacter(0);
                ending && OFTrieNode::bucketOf(*ending))
                found.append({ OFTrieNode::bucketOf(*ending), start, walked, nullptr, 0 });
            // An empty stem holds nothing.
            if (walked > 0) {
                if (folded[p - 1] != u'e' && node->hasPluralKey(OFTrieNode::PluralS)) {
                    if (OFTrieBucket* bucket = bucketBelow(*node, u"s"))
                        found.append({ bucket, start, walked, u"s", 1 });
                }
                if (node->hasPluralKey(OFTrieNode::PluralES)) {
                    if (OFTrieBucket* bucket = bucketBelow(*node, u"es"))
                        found.append({ bucket, start, walked, u"es", 2 });
                }
            }
            if (p >= size)
                break;
            const char16_t character = text[p].unicode();
            if (character == 0)
                break;
            const OFTrieChild* child = childFor(*node, character);
            if (!child)
                break;
            if (const OFTrieNode* next = OFTrieNode::nodeOf(*child)) {
                node = next;
                continue;
            }
            // A bucket: the key is what was walked, the edge and the bucket's rest.
            OFTrieBucket* bucket = OFTrieNode::bucketOf(*child);
            const Found full { bucket, start, walked + 1, bucket->lowerCharacters(),
                bucket->remainingLength() };
            const qsizetype fullSize = full.size();
            // How much of the key the text must hold: all of it, or all but its plural ending
            // (when that ending lies within the rest; shorter stems were tried at the node).
            qsizetype needed = fullSize;
            if (fullSize >= 2 && full.at(folded.constData(), fullSize - 2) == u'e'
                && full.at(folded.constData(), fullSize - 1) == u's')
                needed -= 2;
            else if (full.at(folded.constData(), fullSize - 1) == u's')
                needed -= 1;
            qsizetype matched = walked + 1;
            qsizetype q = p + 1;
            while (matched < fullSize && q < size
                && sameCharacter(text[q].unicode(), *bucket, matched - walked - 1)) {
                ++matched;
                ++q;
            }
            // A stem no longer than what was walked was tried at the node; an empty one holds nothing.
            if (matched == fullSize || (needed > walked && matched >= needed))
                found.append(full);
            break;
        }
    }
    // In the order of the keys, then of the buckets; each pair once.
    const char16_t* text16 = folded.constData();
    const auto compare = [text16](const Found& a, const Found& b) {
        const qsizetype common = std::min(a.size(), b.size());
        for (qsizetype i = 0; i < common; ++i) {
            const char16_t x = a.at(text16, i);
            const char16_t y = b.at(text16, i);
            if (x != y)
                return x < y ? -1 : 1;
        }
        return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
    };
    std::sort(found.begin(), found.end(), [&](const Found& a, const Found& b) {
        const int order = compare(a, b);
        return order != 0 ? order < 0 : std::less<OFTrieBucket*>()(a.bucket, b.bucket);
    });
    QList<OFTrieBucket*> buckets;
    buckets.reserve(found.size());
    for (qsizetype i = 0; i < found.size(); ++i) {
        if (i > 0 && found[i].bucket == found[i - 1].bucket && compare(found[i], found[i - 1]) == 0)
            continue;
        buckets.append(found[i].bucket);
    }
    return buckets;
}
