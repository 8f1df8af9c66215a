#include "GroceryItem.h"

#include "KitchoraServices.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "PersistentStoreCoordinator.h"

#include <QCoreApplication>

namespace
{

const QString kName = QStringLiteral("name");
const QString kAmount = QStringLiteral("amount");
const QString kHaveIt = QStringLiteral("haveit");
const QString kURL = QStringLiteral("url");

} // namespace

GroceryItem::GroceryItem()
    : m_itemName(QCoreApplication::translate("GroceryItem", "Item Name"))
    , m_amount(QCoreApplication::translate("GroceryItem", "Amount"))
{
}

GroceryItem::GroceryItem(const QVariantMap& propertyList)
{
    const QVariant url = propertyList.value(kURL);
    if (url.typeId() == QMetaType::QString)
        m_ingredientManagedObjectURL = QUrl(url.toString());
    const QVariant name = propertyList.value(kName);
    if (name.typeId() == QMetaType::QString)
        m_itemName = name.toString();
    const QVariant amount = propertyList.value(kAmount);
    if (amount.typeId() == QMetaType::QString)
        m_amount = amount.toString();
    m_haveIt = propertyList.value(kHaveIt).toBool();
}

GroceryItem GroceryItem::itemWithPropertyListRepresentation(const QVariantMap& propertyList)
{
    return GroceryItem(propertyList);
}

QVariantMap GroceryItem::propertyListRepresentation() const
{
    QVariantMap dictionary;
    if (!m_itemName.isNull())
        dictionary.insert(kName, m_itemName);
    if (!m_amount.isNull())
        dictionary.insert(kAmount, m_amount);
    dictionary.insert(kHaveIt, m_haveIt);
    if (!m_ingredientManagedObjectURL.isEmpty())
        dictionary.insert(kURL, m_ingredientManagedObjectURL.toString(QUrl::FullyEncoded));
    return dictionary;
}

ManagedObject* GroceryItem::ingredientManagedObject() const
{
    if (m_ingredientManagedObjectURL.isEmpty())
        return nullptr;
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    if (!context || !context->persistentStoreCoordinator())
        return nullptr;
    const ManagedObjectID objectID
        = context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(
            m_ingredientManagedObjectURL);
    return objectID.isNull() ? nullptr : context->existingObjectWithID(objectID);
}

void GroceryItem::setIngredientManagedObject(const ManagedObject* ingredient)
{
    m_ingredientManagedObjectURL = ingredient ? ingredient->objectID().URIRepresentation() : QUrl();
}
