#include "OFTrie.h"

#include "OFTrieBucket.h"

#include <QChar>
#include <QVarLengthArray>

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
    // Through upper case first, so that letters with several lower-case forms (ſ, ς, ı) meet
    // their usual one.
    return char16_t(QChar::toLower(QChar::toUpper(char32_t(character))));
}

char16_t OFTrie::upperCharacter(char16_t folded)
{
    const auto upper = char16_t(QChar::toUpper(char32_t(folded)));
    return foldedCharacter(upper) == folded ? upper : folded;
}

const OFTrieChild* OFTrie::childFor(const OFTrieNode& node, char16_t character) const
{
    if (const OFTrieChild* child = node.childForCharacter(character))
        return child;
    if (m_caseSensitive)
        return nullptr;
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
