#pragma once

#include "BitCount.h"

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
        if (character < 128) {
            // ASCII entries come first, in order, so an entry's index is the number of ASCII
            // entries below it.
            const quint64 bit = quint64(1) << (character & 63);
            const quint64 half = m_ascii[character >> 6];
            if (!(half & bit))
                return nullptr;
            return &m_children[(character < 64 ? 0 : bitCount(m_ascii[0])) + bitCount(half & (bit - 1))];
        }
        const quint32 index = indexOfCharacter(character);
        if (index < quint32(m_characters.size()) && m_characters[index] == character)
            return &m_children[index];
        return nullptr;
    }
    // Stores child under character, replacing what was there; a null child is ignored.
    void addChild(OFTrieChild child, char16_t character);

    // Whether a key goes on from this node with just "s" (PluralS) or "es" (PluralES), as the
    // trie last noted it; the trie notes it for each node a new key passes.
    enum PluralKey : quint8 { PluralS = 1, PluralES = 2 };
    bool hasPluralKey(PluralKey ending) const { return m_pluralKeys & ending; }
    void setPluralKeys(quint8 endings) { m_pluralKeys = endings; }

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
    // Which ASCII code units have an entry: most lookups are answered without a search. First,
    // beside the entries' header, so that a lookup reads one line of the node.
    quint64 m_ascii[2] = { 0, 0 };
    quint8 m_pluralKeys = 0;
    QVarLengthArray<char16_t, InlineEntries> m_characters;
    QVarLengthArray<OFTrieChild, InlineEntries> m_children;
};
