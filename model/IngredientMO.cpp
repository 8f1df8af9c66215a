#include "IngredientMO.h"

#include "IngredientTrie.h"
#include "KRTrieBucket.h"
#include "Log.h"

namespace
{
const QString nameKey = QStringLiteral("name");
const QString haveItKey = QStringLiteral("haveIt");
} // namespace

QString IngredientMO::name() const
{
    return valueForKey(nameKey).toString();
}

void IngredientMO::setName(const QString& name)
{
    QString newName = name;
    if (newName.size() > kMaximumNameLength + 1) {
        Log::logf(QStringLiteral("Truncating long ingredient name: %1"), newName);
        newName.truncate(kMaximumNameLength);
    }
    const std::shared_ptr<IngredientTrie> trie
        = IngredientTrie::ingredientTrieForContext(managedObjectContext());
    const QString oldName = primitiveValueForKey(nameKey).toString();
    if (trie && !oldName.isNull())
        trie->forgetIngredient(this, oldName);
    willChangeValueForKey(nameKey);
    setPrimitiveValue(newName, nameKey);
    didChangeValueForKey(nameKey);
    if (trie)
        trie->addIngredient(this);
}

bool IngredientMO::haveIt() const
{
    return valueForKey(haveItKey).toBool();
}

void IngredientMO::setHaveIt(bool haveIt)
{
    ManagedObject::setValueForKey(haveIt, haveItKey);
}

void IngredientMO::setValueForKey(const QVariant& value, const QString& key)
{
    if (key == nameKey) {
        setName(value.toString());
        return;
    }
    ManagedObject::setValueForKey(value, key);
}
