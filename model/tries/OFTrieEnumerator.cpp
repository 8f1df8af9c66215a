#include "OFTrieEnumerator.h"

#include "OFTrie.h"
#include "OFTrieBucket.h"

OFTrieEnumerator::OFTrieEnumerator(const OFTrie& trie)
    : OFTrieEnumerator(trie, OFTrieChild(trie.headNode()))
{
}

OFTrieEnumerator::OFTrieEnumerator(const OFTrie& trie, const OFTrieChild& start)
    : m_isCaseSensitive(trie.isCaseSensitive())
{
    if (const auto* node = std::get_if<std::shared_ptr<OFTrieNode>>(&start); node && *node) {
        m_trieNodes.push_back(*node);
        m_positions.push_back(0);
    } else if (const auto* bucket = std::get_if<std::shared_ptr<OFTrieBucket>>(&start)) {
        m_startBucket = *bucket;
    }
}

OFTrieBucket* OFTrieEnumerator::nextObject()
{
    m_current.reset();
    if (m_startBucket) {
        m_current = std::move(m_startBucket);
        m_startBucket.reset();
        return m_current.get();
    }
    while (!m_trieNodes.empty()) {
        const OFTrieNode& node = *m_trieNodes.back();
        quint32& position = m_positions.back();
        if (position >= node.childCount()) {
            m_trieNodes.pop_back();
            m_positions.pop_back();
            if (!m_positions.empty())
                ++m_positions.back();
            continue;
        }
        const char16_t character = node.characters()[position];
        // Each child is reached once, by the edge of its folded character. (Testing for an
        // upper-case letter instead would lose keys holding letters that have no lower case.)
        if (!m_isCaseSensitive && OFTrie::foldedCharacter(character) != character) {
            ++position;
            continue;
        }
        const OFTrieChild& child = node.childAt(position);
        if (const auto* next = std::get_if<std::shared_ptr<OFTrieNode>>(&child)) {
            std::shared_ptr<OFTrieNode> pushed = *next;
            m_trieNodes.push_back(std::move(pushed));
            m_positions.push_back(0);
            continue;
        }
        ++position;
        m_current = std::get<std::shared_ptr<OFTrieBucket>>(child);
        return m_current.get();
    }
    return nullptr;
}

QList<OFTrieBucket*> OFTrieEnumerator::allObjects()
{
    QList<OFTrieBucket*> buckets;
    while (OFTrieBucket* bucket = nextObject())
        buckets.append(bucket);
    return buckets;
}
