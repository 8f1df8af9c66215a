#include "Folder.h"

#include "MutableObjectSet.h"

#include <QCoreApplication>

namespace
{
const QString kChildrenKey = QStringLiteral("children");
const QString kParentKey = QStringLiteral("parent");
} // namespace

QList<ManagedObject*> Folder::children() const
{
    return objectsForKey(kChildrenKey);
}

void Folder::setChildren(const QList<ManagedObject*>& children)
{
    QVariantList list;
    for (ManagedObject* child : children)
        list.append(QVariant::fromValue(child));
    setValueForKey(list, kChildrenKey);
}

void Folder::addChildrenObject(ManagedObject* child)
{
    if (!child)
        return;
    child->setValueForKey(QVariant::fromValue(static_cast<ManagedObject*>(this)), kParentKey);
    mutableSetValueForKey(kChildrenKey).addObject(child);
}

void Folder::removeChildrenObject(ManagedObject* child)
{
    if (!child)
        return;
    child->setValueForKey(QVariant(), kParentKey);
    mutableSetValueForKey(kChildrenKey).removeObject(child);
}

QString Folder::summaryString() const
{
    const qsizetype count = children().size();
    const QString text = count == 1 ? QCoreApplication::translate("Folder", "%1 collection")
                                    : QCoreApplication::translate("Folder", "%1 collections");
    return text.arg(count);
}

QVariant Folder::valueForKey(const QString& key) const
{
    if (key == QLatin1String("isLeaf"))
        return isLeaf();
    if (key == QLatin1String("recipes"))
        return QVariant();
    return RecipeCollection::valueForKey(key);
}

void Folder::awakeFromInsert()
{
    RecipeCollection::awakeFromInsert();
    setName(KRCollectionDefaultFolderName);
}

QString Folder::defaultCollectionImageName() const
{
    return QStringLiteral("image_collection_folder");
}
