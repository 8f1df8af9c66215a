#pragma once

#include <QHash>
#include <QStringView>
#include <QVarLengthArray>
#include <algorithm>
#include <vector>

// Ids of distinct texts, compared exactly: a few are looked for in a list, more in a hash. The
// views must stay valid while the ids are used.
class TextIds
{
public:
    qsizetype find(QStringView key) const
    {
        if (!m_hash.isEmpty()) {
            const auto it = m_hash.constFind(key);
            return it == m_hash.constEnd() ? -1 : *it;
        }
        const auto it = std::find(m_keys.begin(), m_keys.end(), key);
        return it == m_keys.end() ? -1 : qsizetype(it - m_keys.begin());
    }
    qsizetype add(QStringView key)
    {
        const qsizetype id = qsizetype(m_keys.size());
        m_keys.push_back(key);
        if (!m_hash.isEmpty()) {
            m_hash.insert(key, id);
        } else if (m_keys.size() > fewKeys) {
            for (qsizetype i = 0; i < m_keys.size(); ++i)
                m_hash.insert(m_keys[i], i);
        }
        return id;
    }

private:
    static constexpr qsizetype fewKeys = 16;
    QVarLengthArray<QStringView, fewKeys> m_keys;
    QHash<QStringView, qsizetype> m_hash;
};
