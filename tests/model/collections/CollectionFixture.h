#pragma once

#include "DeviceCollection.h"
#include "Folder.h"
#include "ManualCollection.h"
#include "ModelStoreFixture.h"
#include "RecipeCollection.h"
#include "SmartCollection.h"

#include <QDateTime>
#include <memory>

// The library store with helpers for collections and plain recipes.
class CollectionFixture : public ModelStoreFixture
{
protected:
    template <class T> T* insert(const QString& entity, const QString& kind = QString())
    {
        auto* object = dynamic_cast<T*>(ModelStoreFixture::insert(entity));
        EXPECT_TRUE(object) << entity.toStdString();
        if (object && !kind.isNull())
            object->setValueForKey(kind, QStringLiteral("kind"));
        return object;
    }

    ManagedObject* recipe(const QString& name, const QDateTime& dateAdded = QDateTime())
    {
        ManagedObject* r = ModelStoreFixture::insert(QStringLiteral("Recipe"));
        r->setValueForKey(name, QStringLiteral("name"));
        if (dateAdded.isValid())
            r->setValueForKey(dateAdded, QStringLiteral("dateAdded"));
        return r;
    }

    void open() { openStack(); }

    static QStringList names(const QList<ManagedObject*>& objects)
    {
        QStringList result;
        for (ManagedObject* object : objects)
            result.append(object->valueForKey(QStringLiteral("name")).toString());
        result.sort();
        return result;
    }

    static Predicate predicate(const QString& format, const QVariantList& args = {})
    {
        std::optional<Predicate> p = Predicate::predicateWithFormat(format, args);
        EXPECT_TRUE(p) << format.toStdString();
        return p ? *p : Predicate::falsePredicate();
    }

    // How often observers of `key` of `object` heard of a change.
    static std::shared_ptr<int> countChanges(ManagedObject* object, const QString& key)
    {
        auto count = std::make_shared<int>(0);
        object->addObserver(
            key, [count](ManagedObject*, const QString&, const QVariant&, const QVariant&) { ++*count; });
        return count;
    }
};
