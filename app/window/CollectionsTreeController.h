#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class ManagedObject;
class ManagedObjectContext;

// The source list's content: every collection of the main context as a tree, the top level and each
// folder's children arranged by "index" and then "name", both ascending, with the selection. A
// snapshot: rearrangeObjects() reads the context again (after collections were inserted, moved or
// deleted); the nodes point at managed objects the context owns, so rearrange before the context
// drops them. Selection survives a rearrangement for the objects still there. Main thread only.
class CollectionsTreeController : public QObject
{
    Q_OBJECT

public:
    struct Node {
        ManagedObject* collection = nullptr;
        Node* parent = nullptr; // nullptr at top level
        int row = 0; // position among its siblings
        std::vector<std::unique_ptr<Node>> children;
    };
    using ContextSource = std::function<ManagedObjectContext*()>;
    // Asked before removing `count` collections; true goes on with the removal.
    using Confirmation = std::function<bool(qsizetype count)>;

    explicit CollectionsTreeController(ContextSource context, QObject* parent = nullptr);
    ~CollectionsTreeController() override;

    ManagedObjectContext* managedObjectContext() const;
    // Empty: removals are not asked.
    void setConfirmation(Confirmation confirmation) { m_confirmation = std::move(confirmation); }

    // Reads the collections of the context again; a failed fetch leaves the tree empty.
    void rearrangeObjects();
    // Empties the tree and the selection (before the context goes away).
    void clear();

    const std::vector<std::unique_ptr<Node>>& roots() const { return m_roots; }
    // The rows from the top level down to `collection`; empty when it is not in the tree.
    QList<int> arrangedIndexPathForObject(const ManagedObject* collection) const;
    // The node at `path`, nullptr when there is none.
    const Node* nodeAt(const QList<int>& path) const;
    ManagedObject* objectAtArrangedIndexPath(const QList<int>& path) const;
    // The collections at the level of `path` (its last row ignored), in order; the empty path
    // and one-row paths name the top level. None when the level does not exist.
    QList<ManagedObject*> siblingObjectsAtArrangedIndexPath(const QList<int>& path) const;
    // Every collection below `collection`, each followed at once by its own descendants.
    QList<ManagedObject*> descendantsOf(const ManagedObject* collection) const;

    QList<ManagedObject*> selectedObjects() const { return m_selection; }
    QList<QList<int>> selectionIndexPaths() const;
    // Selects the collection at `path` alone; a path that leads nowhere clears the selection.
    // False when nothing is selected afterwards.
    bool setSelectionIndexPath(const QList<int>& path);
    // Objects not in the tree are left out.
    void setSelectedObjects(const QList<ManagedObject*>& collections);

    // Removes (deletes from the context) the collection at `path` after the confirmation; false
    // when cancelled or when nothing is there. Built-in collections are never removed.
    bool removeObjectAtArrangedObjectIndexPath(const QList<int>& path);
    // One path: as above. Several: one confirmation for all of them. None: nothing.
    bool removeObjectsAtArrangedObjectIndexPaths(const QList<QList<int>>& paths);

    // `collections` without deleted objects, ordered by "index" and then "name".
    static QList<ManagedObject*> arranged(const QList<ManagedObject*>& collections);

signals:
    void willRearrange();
    void didRearrange();
    void selectionDidChange();

private:
    static void addChildren(Node* parent, const QList<ManagedObject*>& collections,
        std::vector<std::unique_ptr<Node>>& into, int depth);
    const std::vector<std::unique_ptr<Node>>* levelAt(const QList<int>& parentPath) const;
    // Deletes the removable ones of `collections`, then rearranges.
    void remove(const QList<ManagedObject*>& collections);

    ContextSource m_context;
    Confirmation m_confirmation;
    std::vector<std::unique_ptr<Node>> m_roots;
    QList<ManagedObject*> m_selection;
};
