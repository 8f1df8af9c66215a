#include "CollectionsTreeModel.h"

#include "CellRoles.h"
#include "ManagedObject.h"
#include "RecipeCollection.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QStyle>

namespace
{

// The collections' icons: the program carries no pictures of its own for them, so each image name
// maps to the closest picture of the style.
QIcon iconNamed(const QString& imageName)
{
    if (imageName.isEmpty() || !qApp)
        return {};
    QStyle* style = QApplication::style();
    if (!style)
        return {};
    if (imageName.contains(QStringLiteral("folder")) || imageName.contains(QStringLiteral("devices")))
        return style->standardIcon(QStyle::SP_DirIcon);
    if (imageName.contains(QStringLiteral("library")))
        return style->standardIcon(QStyle::SP_DriveHDIcon);
    if (imageName.contains(QStringLiteral("smart")) || imageName.contains(QStringLiteral("search")))
        return style->standardIcon(QStyle::SP_FileDialogContentsView);
    if (imageName.contains(QStringLiteral("grocer")))
        return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    if (imageName.contains(QStringLiteral("device")) || imageName.contains(QStringLiteral("phone"))
        || imageName.contains(QStringLiteral("pad")) || imageName.contains(QStringLiteral("mac")))
        return style->standardIcon(QStyle::SP_ComputerIcon);
    return style->standardIcon(QStyle::SP_FileIcon);
}

} // namespace

CollectionsTreeModel::CollectionsTreeModel(CollectionsTreeController& controller, QObject* parent)
    : QAbstractItemModel(parent)
    , m_controller(controller)
{
    connect(&m_controller, &CollectionsTreeController::willRearrange, this, [this] {
        beginResetModel();
        m_rearranging = true;
    });
    connect(&m_controller, &CollectionsTreeController::didRearrange, this, [this] {
        m_rearranging = false;
        ++m_rearrangements;
        endResetModel();
    });
}

const CollectionsTreeController::Node* CollectionsTreeModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<const CollectionsTreeController::Node*>(index.internalPointer())
                           : nullptr;
}

const std::vector<std::unique_ptr<CollectionsTreeController::Node>>& CollectionsTreeModel::childrenOf(
    const QModelIndex& parent) const
{
    const CollectionsTreeController::Node* node = nodeOf(parent);
    return node ? node->children : m_controller.roots();
}

ManagedObject* CollectionsTreeModel::collectionAt(const QModelIndex& index) const
{
    const CollectionsTreeController::Node* node = nodeOf(index);
    return node ? node->collection : nullptr;
}

QModelIndex CollectionsTreeModel::indexOf(const ManagedObject* collection) const
{
    return indexForPath(m_controller.arrangedIndexPathForObject(collection));
}

QModelIndex CollectionsTreeModel::indexForPath(const QList<int>& path) const
{
    QModelIndex index;
    for (int row : path) {
        index = this->index(row, 0, index);
        if (!index.isValid())
            return {};
    }
    return index;
}

QList<int> CollectionsTreeModel::pathOf(const QModelIndex& index) const
{
    QList<int> path;
    for (const CollectionsTreeController::Node* node = nodeOf(index); node; node = node->parent)
        path.prepend(node->row);
    return path;
}

QModelIndex CollectionsTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const auto& children = childrenOf(parent);
    if (column != 0 || row < 0 || std::size_t(row) >= children.size())
        return {};
    return createIndex(row, column, children[std::size_t(row)].get());
}

QModelIndex CollectionsTreeModel::parent(const QModelIndex& child) const
{
    const CollectionsTreeController::Node* node = nodeOf(child);
    if (!node || !node->parent)
        return {};
    return createIndex(node->parent->row, 0, node->parent);
}

int CollectionsTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return int(childrenOf(parent).size());
}

int CollectionsTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant CollectionsTreeModel::data(const QModelIndex& index, int role) const
{
    ManagedObject* collection = collectionAt(index);
    if (!collection)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return collection->valueForKey(QStringLiteral("name")).toString();
    case Qt::DecorationRole: {
        const auto* recipeCollection = dynamic_cast<const RecipeCollection*>(collection);
        return recipeCollection ? QVariant(iconNamed(recipeCollection->collectionImageName())) : QVariant();
    }
    case CellRoles::RepresentedObjectRole:
        return QVariant::fromValue(static_cast<KeyValueCoding*>(collection));
    default:
        return {};
    }
}

bool CollectionsTreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    // While the tree is rebuilt the index's node may be gone: an editor closing then commits nothing.
    if (m_rearranging)
        return false;
    auto* collection = dynamic_cast<RecipeCollection*>(collectionAt(index));
    if (collection && collection->isDeleted())
        return false;
    if (role != Qt::EditRole || !collection || collection->isInvincible())
        return false;
    // Renaming may rebuild the tree at once (the application re-sorts the collections); `index`
    // then names a node that is gone, and the view already knows of the new rows.
    const quint64 rearrangements = m_rearrangements;
    collection->setNameWithoutImage(value.toString());
    if (m_rearrangements != rearrangements)
        return true;
    emit dataChanged(index, index);
    // Not now: the view is still inside its editor's commit.
    QMetaObject::invokeMethod(
        &m_controller, &CollectionsTreeController::rearrangeObjects, Qt::QueuedConnection);
    return true;
}

Qt::ItemFlags CollectionsTreeModel::flags(const QModelIndex& index) const
{
    const auto* collection = dynamic_cast<const RecipeCollection*>(collectionAt(index));
    if (!collection)
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (!collection->isInvincible())
        flags |= Qt::ItemIsEditable;
    if (collection->valueForKey(QStringLiteral("draggable")).toBool())
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QVariant CollectionsTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section != 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return QCoreApplication::translate("CollectionsTreeModel", "Collections");
}
