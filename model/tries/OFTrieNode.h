#pragma once

#include <QVarLengthArray>
#include <QtGlobal>
#include <algorithm>
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
    quint32 indexOfCharacter(char16_t character) const
    {
        return quint32(
            std::lower_bound(m_characters.begin(), m_characters.end(), character) - m_characters.begin());
    }
    // The entry under character, or nullptr.
    const OFTrieChild* childForCharacter(char16_t character) const
    {
        const quint32 index = indexOfCharacter(character);
        if (index < quint32(m_characters.size()) && m_characters[index] == character)
            return &m_children[index];
        return nullptr;
    }
    // Stores child under character, replacing what was there; a null child is ignored.
    void addChild(OFTrieChild child, char16_t character);

    static OFTrieNode* nodeOf(const OFTrieChild& child)
    {
        const auto* node = std::get_if<std::shared_ptr<OFTrieNode>>(&child);
        return node ? node->get() : nullptr;
    }
    static OFTrieBucket* bucketOf(const OFTrieChild& child)
    {
        const auto* bucket = std::get_if<std::shared_ptr<OFTrieBucket>>(&child);
        return bucket ? bucket->get() : nullptr;
    }

private:
    // Most nodes lead to one or two children, that is two or four entries with their twins:
    // those stay inside the node, so a lookup touches one allocation per level.
    static constexpr qsizetype InlineEntries = 4;
    QVarLengthArray<char16_t, InlineEntries> m_characters;
    QVarLengthArray<OFTrieChild, InlineEntries> m_children;
};
