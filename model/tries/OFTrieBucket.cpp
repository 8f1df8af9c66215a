#include "OFTrieBucket.h"

const char16_t* OFTrieBucket::upperCharacters() const
{
    return m_twoCopies ? m_storage.c_str() + m_length + 1 : m_storage.c_str();
}

void OFTrieBucket::setRemainingLower(const char16_t* lower, const char16_t* upper, qsizetype length)
{
    if (length < 1 || !lower || !upper) {
        m_storage.clear();
        m_length = 0;
        m_twoCopies = false;
        return;
    }
    const bool twoCopies = lower != upper;
    std::u16string storage(lower, size_t(length));
    if (twoCopies) {
        storage.push_back(u'\0');
        storage.append(upper, size_t(length));
    }
    m_storage = std::move(storage);
    m_length = length;
    m_twoCopies = twoCopies;
}
