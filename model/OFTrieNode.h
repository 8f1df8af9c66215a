#pragma once

#include <QtGlobal>
#include <memory>
#include <variant>
#include <vector>

class OFTrieBucket;
class OFTrieNode;

// What a node entry leads to: a further node or a bucket. A case-insensitive trie reaches each
// child through two entries (its lower- and upper-case edge), so an entry shares its child with
// its twin; the shared count plays the part of the retain count.
using OFTrieChild = std::variant<std::shared_ptr<OFTrieNode>, std::shared_ptr<OFTrieBucket>>;

// One level of a word trie: entries sorted by UTF-16 code unit, searched by bisection. The code
// unit 0 is the edge of a key that ends at this node.
class OFTrieNode
{
public:
    OFTrieNode() = default;
    ~OFTrieNode();
    OFTrieNode(const OFTrieNode&) = delete;
    OFTrieNode& operator=(const OFTrieNode&) = delete;

    quint32 childCount() const { return quint32(m_characters.size()); }
    const char16_t* characters() const { return m_characters.data(); }
    const OFTrieChild& childAt(quint32 index) const { return m_children[index]; }

    // How many entries have a code unit below character (the lower bound).
    quint32 indexOfCharacter(char16_t character) const;
    // The entry under character, or nullptr.
    const OFTrieChild* childForCharacter(char16_t character) const;
    // Stores child under character, replacing what was there; a null child is ignored.
    void addChild(OFTrieChild child, char16_t character);

    static OFTrieNode* nodeOf(const OFTrieChild& child);
    static OFTrieBucket* bucketOf(const OFTrieChild& child);

private:
    std::vector<char16_t> m_characters;
    std::vector<OFTrieChild> m_children;
};
