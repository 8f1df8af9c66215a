#pragma once

#include "OFTrieNode.h"

#include <QList>
#include <memory>
#include <vector>

class OFTrie;

// Walks a trie depth first in ascending code-unit order and answers its buckets one by one. The
// enumerator holds on to the nodes it stands in, so a trie changed or destroyed meanwhile never
// leaves it dangling; a bucket it answered stays alive at least until the next call.
class OFTrieEnumerator
{
public:
    explicit OFTrieEnumerator(const OFTrie& trie);
    // Starts at a node (every bucket below it) or at a bucket (that bucket once).
    OFTrieEnumerator(const OFTrie& trie, const OFTrieChild& start);

    // The next bucket; nullptr once the walk is over, and for every call after that.
    OFTrieBucket* nextObject();
    // The buckets not yet answered, valid for as long as their trie keeps them.
    QList<OFTrieBucket*> allObjects();

private:
    std::vector<std::shared_ptr<OFTrieNode>> m_trieNodes;
    std::vector<quint32> m_positions;
    std::shared_ptr<OFTrieBucket> m_startBucket;
    std::shared_ptr<OFTrieBucket> m_current;
    bool m_isCaseSensitive;
};
