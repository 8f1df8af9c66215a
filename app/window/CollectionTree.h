#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <vector>

class ManagedObject;
class ManagedObjectContext;

// The source list's rows: every collection of a context, the top level and each folder's children
// ordered by "index" and then "name", both ascending. A snapshot: rebuild() after the collections
// changed; the nodes point at managed objects the context owns, so rebuild (or clear) before the
// context drops them. Main thread only.
class CollectionTree
{
public:
    struct Node {
        ManagedObject* collection = nullptr;
        QString name;
        Node* parent = nullptr; // nullptr at top level
        int row = 0; // position among its siblings
        std::vector<std::unique_ptr<Node>> children;
    };

    // Reads the collections of `context` (nullptr: none); a failed fetch leaves the tree empty.
    void rebuild(ManagedObjectContext* context);
    void clear() { m_roots.clear(); }

    const std::vector<std::unique_ptr<Node>>& roots() const { return m_roots; }
    // The rows from the top level down to `collection`; empty when it is not in the tree.
    QList<int> pathOf(const ManagedObject* collection) const;
    // The node at `path`, nullptr when there is none.
    const Node* nodeAt(const QList<int>& path) const;

    // `collections` without deleted objects, ordered by "index" and then "name".
    static QList<ManagedObject*> arranged(const QList<ManagedObject*>& collections);

private:
    static void addChildren(Node* parent, const QList<ManagedObject*>& collections,
        std::vector<std::unique_ptr<Node>>& into, int depth);

    std::vector<std::unique_ptr<Node>> m_roots;
};
