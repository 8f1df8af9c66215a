#pragma once

#include <QChar>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>
#include <memory>
#include <vector>

// A word list made once into a flat trie of folded UTF-16 units, so that a text is searched for
// all of its words in one walk from each place of the text. Words compare as
// ArraySearch::occurrencesOfElements compares them: one folded unit at a time, a surrogate pair
// folded as one code point; an empty word occurs nowhere.
//
// Threads: a search does not change after it is made and may be used from any thread; of() keeps
// its searches per thread.
class WordListSearch
{
public:
    // One place a word occurs: where it starts and its index in the list.
    struct Hit {
        qsizetype at;
        qsizetype word;
    };
    // A text folded for occurrences(); most lines fit inline.
    using Folded = QVarLengthArray<char16_t, 256>;

    explicit WordListSearch(const QStringList& words);

    // The search of the list, from the few kept on this thread. A list that shares a kept copy's
    // data is that list unchanged (changing it would have detached it); an equal list read anew
    // is found by comparing.
    static std::shared_ptr<const WordListSearch> of(const QStringList& words);

    const QStringList& words() const { return m_words; }
    qsizetype wordLength(qsizetype word) const { return m_words.at(word).size(); }
    // Whether a word holds the character in any case; for a character that is no surrogate.
    bool anyWordContains(QChar c) const;
    // Whether the list holds the word as it is, in the same case.
    bool containsWord(QStringView word) const;

    // The text folded as the words are.
    static void fold(QStringView text, Folded& folded);
    // Appends every place a word occurs in the folded text: by place, then shorter words first,
    // then in list order.
    void occurrences(QStringView folded, std::vector<Hit>& hits) const;
    // The same for the words that start at one place.
    void occurrencesAt(QStringView folded, qsizetype start, std::vector<Hit>& hits) const;

    // What ArraySearch::occurrencesOfElements answers, for a few words looked for once: a short
    // text is compared at each place with each word rather than indexed.
    static QList<QList<qsizetype>> occurrencesOfEach(QStringView text, const QStringList& words);

private:
    struct Node {
        quint64 ascii[2] = { 0, 0 }; // which ASCII units have an edge: they come first, in order
        quint32 firstEdge = 0;
        quint32 edgeCount = 0;
        quint32 firstWord = 0; // into m_wordsEnding
        quint32 wordCount = 0;
    };
    struct Edge {
        char16_t unit;
        quint32 node;
    };

    quint32 childOf(const Node& node, char16_t unit) const;

    QStringList m_words;
    std::vector<Node> m_nodes; // the head first
    std::vector<Edge> m_edges; // each node's edges together, sorted by unit
    std::vector<qsizetype> m_wordsEnding; // each node's words together, in list order
    quint32 m_headAscii[128] = {}; // the head's child under an ASCII unit; 0 for none
    std::vector<char16_t> m_units; // every folded unit of the words, sorted
};
