#include "OFTrieNode.h"

#include "OFTrieBucket.h"

OFTrieNode::~OFTrieNode()
{
    // A long shared prefix makes a deep chain of nodes; tear it down with a work list instead of
    // recursion so that no key length can exhaust the stack.
    std::vector<std::shared_ptr<OFTrieNode>> pending;
    const auto harvest = [&pending](auto& children) {
        for (OFTrieChild& child : children) {
            if (auto* node = std::get_if<std::shared_ptr<OFTrieNode>>(&child))
                pending.push_back(std::move(*node));
        }
        children.clear();
    };
    harvest(m_children);
    while (!pending.empty()) {
        std::shared_ptr<OFTrieNode> node = std::move(pending.back());
        pending.pop_back();
        if (node && node.use_count() == 1) {
            node->m_characters.clear();
            node->m_ascii[0] = node->m_ascii[1] = 0;
            harvest(node->m_children);
        }
    }
}

void OFTrieNode::addChild(OFTrieChild child, char16_t character)
{
    if (!nodeOf(child) && !bucketOf(child))
        return;
    const quint32 index = indexOfCharacter(character);
    if (index < m_characters.size() && m_characters[index] == character) {
        m_children[index] = std::move(child);
        return;
    }
    m_characters.insert(m_characters.begin() + index, character);
    if (character < 128)
        m_ascii[character >> 6] |= quint64(1) << (character & 63);
    m_children.insert(m_children.begin() + index, std::move(child));
}
