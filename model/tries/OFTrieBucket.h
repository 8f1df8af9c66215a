#pragma once

#include <QtGlobal>
#include <string>

// The end of one key in a word trie: it holds the characters of the key that follow the edge
// leading to it. A case-insensitive trie keeps that rest twice, in lower and in upper case, so a
// lookup can match either form without folding the query.
class OFTrieBucket
{
public:
    OFTrieBucket() = default;
    virtual ~OFTrieBucket() = default;
    OFTrieBucket(const OFTrieBucket&) = delete;
    OFTrieBucket& operator=(const OFTrieBucket&) = delete;

    // NUL-terminated; both point to one copy when the rest was given once.
    const char16_t* lowerCharacters() const { return m_storage.c_str(); }
    const char16_t* upperCharacters() const;
    qsizetype remainingLength() const { return m_length; }

    // Copies length characters of each; the same pointer twice keeps one copy. A length below 1
    // or a missing pointer gives the empty rest. The arguments may point into the current rest.
    void setRemainingLower(const char16_t* lower, const char16_t* upper, qsizetype length);

private:
    std::u16string m_storage; // lower copy, and after its NUL the upper copy when there are two
    qsizetype m_length = 0;
    bool m_twoCopies = false;
};
