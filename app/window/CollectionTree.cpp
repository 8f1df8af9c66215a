#include "CollectionTree.h"

#include "FetchRequest.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "Predicate.h"
#include "SortDescriptor.h"

#include <algorithm>
#include <functional>

namespace
{

// Folders nest only as deep as the user drags them; this keeps a corrupt parent cycle finite.
constexpr int kMaximumDepth = 64;

const QString kName = QStringLiteral("name");
const QString kIndex = QStringLiteral("index");

} // namespace

QList<ManagedObject*> CollectionTree::arranged(const QList<ManagedObject*>& collections)
{
    QList<ManagedObject*> result;
    for (ManagedObject* collection : collections) {
        if (collection && !collection->isDeleted())
            result.append(collection);
    }
    std::stable_sort(result.begin(), result.end(), [](const ManagedObject* a, const ManagedObject* b) {
        const int byIndex = SortDescriptor::compareValues(
            a->valueForKey(kIndex), b->valueForKey(kIndex), SortDescriptor::Selector::Compare);
        if (byIndex != 0)
            return byIndex < 0;
        return SortDescriptor::compareValues(
                   a->valueForKey(kName), b->valueForKey(kName), SortDescriptor::Selector::Compare)
            < 0;
    });
    return result;
}

void CollectionTree::rebuild(ManagedObjectContext* context)
{
    m_roots.clear();
    if (!context)
        return;
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("RecipeCollection"));
    request.setPredicate(*Predicate::predicateWithFormat(QStringLiteral("parent == nil")));
    const std::optional<QList<ManagedObject*>> topLevel = context->executeFetchRequest(request);
    if (!topLevel)
        return;
    addChildren(nullptr, *topLevel, m_roots, 0);
}

void CollectionTree::addChildren(Node* parent, const QList<ManagedObject*>& collections,
    std::vector<std::unique_ptr<Node>>& into, int depth)
{
    if (depth > kMaximumDepth)
        return;
    for (ManagedObject* collection : arranged(collections)) {
        auto node = std::make_unique<Node>();
        node->collection = collection;
        node->name = collection->valueForKey(kName).toString();
        node->parent = parent;
        node->row = int(into.size());
        addChildren(
            node.get(), collection->objectsForKey(QStringLiteral("children")), node->children, depth + 1);
        into.push_back(std::move(node));
    }
}

QList<int> CollectionTree::pathOf(const ManagedObject* collection) const
{
    // Depth first; the tree is a few dozen rows.
    std::function<bool(const std::vector<std::unique_ptr<Node>>&, QList<int>&)> find
        = [&](const std::vector<std::unique_ptr<Node>>& nodes, QList<int>& path) {
              for (const auto& node : nodes) {
                  path.append(node->row);
                  if (node->collection == collection || find(node->children, path))
                      return true;
                  path.removeLast();
              }
              return false;
          };
    QList<int> path;
    if (!collection || !find(m_roots, path))
        return {};
    return path;
}

const CollectionTree::Node* CollectionTree::nodeAt(const QList<int>& path) const
{
    const std::vector<std::unique_ptr<Node>>* level = &m_roots;
    const Node* node = nullptr;
    for (int row : path) {
        if (row < 0 || std::size_t(row) >= level->size())
            return nullptr;
        node = (*level)[std::size_t(row)].get();
        level = &node->children;
    }
    return node;
}
