#pragma once

#include "OFTrieEnumerator.h"
#include "OFTrieNode.h"

#include <QList>
#include <QStringView>
#include <memory>
#include <optional>
#include <string_view>

class OFTrieBucket;

// A compact prefix tree of UTF-16 keys, each leading to one bucket. Every key takes one edge per
// character from the head down to the first node where no other key shares its next character;
// the bucket there keeps the key's remaining characters inline.
//
// A case-insensitive trie stores each key folded to lower case, reaches every child by its
// lower- and its upper-case edge and keeps each bucket's rest in both cases, so lookups match
// either case without folding or allocating. Case is mapped one UTF-16 code unit at a time with
// the simple Unicode mappings, which never change a key's length: a letter whose upper case is
// two letters (ß) matches only itself, and surrogate pairs match exactly. A query character
// that has no edge of its own is tried once more in its folded form, so the rarer letters that
// have more than one lower or upper form (ſ and s, ς and σ) still match.
//
// The trie owns its nodes and buckets. Buckets come in as unique_ptr; lookups answer plain
// pointers that stay valid until that key is stored again or the trie is destroyed.
class OFTrie
{
public:
    explicit OFTrie(bool caseSensitive);
    virtual ~OFTrie();
    OFTrie(const OFTrie&) = delete;
    OFTrie& operator=(const OFTrie&) = delete;

    bool isCaseSensitive() const { return m_caseSensitive; }
    const std::shared_ptr<OFTrieNode>& headNode() const { return m_head; }
    bool isEmpty() const { return m_head->childCount() == 0; }

    // Stores bucket under string, replacing (and destroying) a bucket stored under an equal key.
    // Answers false, storing nothing, for a null bucket or a key holding the character U+0000,
    // which the trie reserves for the end of a key.
    bool addBucket(std::unique_ptr<OFTrieBucket> bucket, QStringView string);

    // The bucket whose key equals string; nullptr when none.
    OFTrieBucket* bucketForString(QStringView string) const;
    // The bucket of the only key that string can still lead to, or of the key equal to string
    // when longer keys begin with it too; nullptr otherwise.
    OFTrieBucket* bucketForPartialString(QStringView string) const;

    // Every bucket, in the lexical order of the stored keys; a key comes before its extensions.
    OFTrieEnumerator objectEnumerator() const;
    // Every bucket whose key begins with prefix; nothing for an empty prefix or an empty trie.
    std::optional<OFTrieEnumerator> objectEnumeratorFromString(QStringView prefix) const;
    // What the prefix enumerator yields, then the partial-string bucket if not yet among them.
    // Empty exactly when there is no enumerator for that prefix.
    QList<OFTrieBucket*> completionsFromString(QStringView prefix) const;
    // Every bucket whose key occurs somewhere in the text, or its key without the plural ending
    // ("es" when it ends so, else "s"), compared as lookups compare; each once, in the order of
    // objectEnumerator. One walk down the trie from each place of the text, so the cost follows
    // the text's length and not the number of keys.
    QList<OFTrieBucket*> bucketsHeldByText(QStringView text) const;

    // Case mapping of case-insensitive tries: the form keys are stored in, and the other edge of
    // a folded character (the character itself when it has no upper-case form of its own).
    static char16_t foldedCharacter(char16_t character);
    static char16_t upperCharacter(char16_t folded);

private:
    const OFTrieChild* childFor(const OFTrieNode& node, char16_t character) const
    {
        if (const OFTrieChild* child = node.childForCharacter(character))
            return child;
        return m_caseSensitive ? nullptr : childForFolded(node, character);
    }
    const OFTrieChild* childForFolded(const OFTrieNode& node, char16_t character) const;
    bool sameCharacter(char16_t query, const OFTrieBucket& bucket, qsizetype index) const;
    // Whether string from `from` on matches the bucket's rest: all of it, or only its beginning.
    bool restMatches(const OFTrieBucket& bucket, QStringView string, qsizetype from, bool wholeRest) const;
    void addEdge(OFTrieNode& node, char16_t lower, char16_t upper, const OFTrieChild& child) const;
    // The bucket of the key that goes on from `node` with exactly `rest` (folded); nullptr when none.
    OFTrieBucket* bucketBelow(const OFTrieNode& node, std::u16string_view rest) const;

    std::shared_ptr<OFTrieNode> m_head;
    bool m_caseSensitive;
};
