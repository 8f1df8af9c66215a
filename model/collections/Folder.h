#pragma once

#include "RecipeCollection.h"

#include <QList>

// A collection of collections: it holds no recipes of its own.
class Folder : public RecipeCollection
{
public:
    bool isLeaf() const { return false; }
    QList<ManagedObject*> children() const;
    void setChildren(const QList<ManagedObject*>& children);
    // The child's parent is set first, so the tree never shows a child without its folder.
    void addChildrenObject(ManagedObject* child);
    void removeChildrenObject(ManagedObject* child);
    // "2 collections".
    QString summaryString() const override;

    QVariant valueForKey(const QString& key) const override;
    void awakeFromInsert() override;

protected:
    QString defaultCollectionImageName() const override;
};
