#include "CollectionsTreeController.h"

#include "FetchRequest.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "Predicate.h"
#include "RecipeCollection.h"
#include "SortDescriptor.h"

#include <QThread>
#include <algorithm>
#include <functional>

namespace
{

// Folders nest only as deep as the user drags them; this keeps a corrupt parent cycle finite.
constexpr int kMaximumDepth = 64;

const QString kName = QStringLiteral("name");
const QString kIndex = QStringLiteral("index");

} // namespace

CollectionsTreeController::CollectionsTreeController(ContextSource context, QObject* parent)
    : QObject(parent)
    , m_context(std::move(context))
{
}

CollectionsTreeController::~CollectionsTreeController() = default;

ManagedObjectContext* CollectionsTreeController::managedObjectContext() const
{
    return m_context ? m_context() : nullptr;
}

QList<ManagedObject*> CollectionsTreeController::arranged(const QList<ManagedObject*>& collections)
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

void CollectionsTreeController::clear()
{
    emit willRearrange();
    m_roots.clear();
    const bool hadSelection = !m_selection.isEmpty();
    m_selection.clear();
    emit didRearrange();
    if (hadSelection)
        emit selectionDidChange();
}

void CollectionsTreeController::rearrangeObjects()
{
    emit willRearrange();
    m_roots.clear();
    if (ManagedObjectContext* context = managedObjectContext()) {
        FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("RecipeCollection"));
        request.setPredicate(*Predicate::predicateWithFormat(QStringLiteral("parent == nil")));
        const std::optional<QList<ManagedObject*>> topLevel = context->executeFetchRequest(request);
        if (topLevel)
            addChildren(nullptr, *topLevel, m_roots, 0);
    }
    const QList<ManagedObject*> before = m_selection;
    m_selection.clear();
    for (ManagedObject* collection : before) {
        if (!arrangedIndexPathForObject(collection).isEmpty())
            m_selection.append(collection);
    }
    emit didRearrange();
    if (m_selection != before)
        emit selectionDidChange();
}

void CollectionsTreeController::addChildren(Node* parent, const QList<ManagedObject*>& collections,
    std::vector<std::unique_ptr<Node>>& into, int depth)
{
    if (depth > kMaximumDepth)
        return;
    for (ManagedObject* collection : arranged(collections)) {
        auto node = std::make_unique<Node>();
        node->collection = collection;
        node->parent = parent;
        node->row = int(into.size());
        addChildren(
            node.get(), collection->objectsForKey(QStringLiteral("children")), node->children, depth + 1);
        into.push_back(std::move(node));
    }
}

QList<int> CollectionsTreeController::arrangedIndexPathForObject(const ManagedObject* collection) const
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

const CollectionsTreeController::Node* CollectionsTreeController::nodeAt(const QList<int>& path) const
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

ManagedObject* CollectionsTreeController::objectAtArrangedIndexPath(const QList<int>& path) const
{
    const Node* node = nodeAt(path);
    return node ? node->collection : nullptr;
}

const std::vector<std::unique_ptr<CollectionsTreeController::Node>>* CollectionsTreeController::levelAt(
    const QList<int>& parentPath) const
{
    if (parentPath.isEmpty())
        return &m_roots;
    const Node* parent = nodeAt(parentPath);
    return parent ? &parent->children : nullptr;
}

QList<ManagedObject*> CollectionsTreeController::siblingObjectsAtArrangedIndexPath(
    const QList<int>& path) const
{
    const auto* level = levelAt(path.mid(0, std::max<qsizetype>(0, path.size() - 1)));
    QList<ManagedObject*> siblings;
    if (!level)
        return siblings;
    for (const auto& node : *level)
        siblings.append(node->collection);
    return siblings;
}

QList<ManagedObject*> CollectionsTreeController::descendantsOf(const ManagedObject* collection) const
{
    QList<ManagedObject*> found;
    const Node* node = nodeAt(arrangedIndexPathForObject(collection));
    if (!node)
        return found;
    std::function<void(const Node&)> visit = [&](const Node& parent) {
        for (const auto& child : parent.children) {
            found.append(child->collection);
            visit(*child);
        }
    };
    visit(*node);
    return found;
}

QList<QList<int>> CollectionsTreeController::selectionIndexPaths() const
{
    QList<QList<int>> paths;
    for (const ManagedObject* collection : m_selection)
        paths.append(arrangedIndexPathForObject(collection));
    return paths;
}

bool CollectionsTreeController::setSelectionIndexPath(const QList<int>& path)
{
    ManagedObject* collection = objectAtArrangedIndexPath(path);
    setSelectedObjects(collection ? QList<ManagedObject*>({ collection }) : QList<ManagedObject*>());
    return collection != nullptr;
}

void CollectionsTreeController::setSelectedObjects(const QList<ManagedObject*>& collections)
{
    QList<ManagedObject*> selection;
    for (ManagedObject* collection : collections) {
        if (!selection.contains(collection) && !arrangedIndexPathForObject(collection).isEmpty())
            selection.append(collection);
    }
    if (selection == m_selection)
        return;
    m_selection = selection;
    emit selectionDidChange();
}

bool CollectionsTreeController::removeObjectAtArrangedObjectIndexPath(const QList<int>& path)
{
    ManagedObject* collection = objectAtArrangedIndexPath(path);
    if (!collection)
        return false;
    // Removals from other threads are not asked.
    if (m_confirmation && QThread::currentThread() == thread() && !m_confirmation(1))
        return false;
    remove({ collection });
    return true;
}

bool CollectionsTreeController::removeObjectsAtArrangedObjectIndexPaths(const QList<QList<int>>& paths)
{
    if (paths.isEmpty())
        return false;
    if (paths.size() == 1)
        return removeObjectAtArrangedObjectIndexPath(paths.first());
    QList<ManagedObject*> collections;
    for (const QList<int>& path : paths) {
        if (ManagedObject* collection = objectAtArrangedIndexPath(path))
            collections.append(collection);
    }
    if (collections.isEmpty())
        return false;
    if (m_confirmation && QThread::currentThread() == thread() && !m_confirmation(collections.size()))
        return false;
    remove(collections);
    return true;
}

void CollectionsTreeController::remove(const QList<ManagedObject*>& collections)
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context)
        return;
    bool removed = false;
    for (ManagedObject* collection : collections) {
        const auto* recipeCollection = dynamic_cast<const RecipeCollection*>(collection);
        // The built-in collections stay whatever asked for their removal.
        if (!recipeCollection || recipeCollection->isInvincible() || collection->isDeleted())
            continue;
        context->deleteObject(collection);
        removed = true;
    }
    if (!removed)
        return;
    context->processPendingChanges();
    rearrangeObjects();
}
