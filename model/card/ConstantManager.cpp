#include "ConstantManager.h"

#include <QCoreApplication>

namespace
{

QString localized(const char* english)
{
    return QCoreApplication::translate("Kitchora", english);
}

} // namespace

ConstantManager& ConstantManager::defaultManager()
{
    static ConstantManager manager;
    return manager;
}

QString ConstantManager::constantForKey(const QString& constantKey, const QString& groupKey) const
{
    const ConstantGroup* group = constantGroupForGroupKey(groupKey);
    return group ? group->value(constantKey) : QString();
}

ConstantGroup* ConstantManager::constantGroupForGroupKey(const QString& groupKey)
{
    const auto found = m_constants.find(groupKey);
    return found == m_constants.end() ? nullptr : &found->second;
}

const ConstantGroup* ConstantManager::constantGroupForGroupKey(const QString& groupKey) const
{
    const auto found = m_constants.find(groupKey);
    return found == m_constants.end() ? nullptr : &found->second;
}

QMap<QString, QString> ConstantManager::constantsByGroupWithConstantKey(const QString& constantKey) const
{
    QMap<QString, QString> constants;
    for (const auto& [groupKey, group] : m_constants) {
        const auto found = group.constFind(constantKey);
        if (found != group.constEnd())
            constants.insert(groupKey, *found);
    }
    return constants;
}

const ConstantGroup* ConstantManager::constantGroupForConstant(const QString& value) const
{
    const QString key = groupKeyForConstant(value);
    return key.isNull() ? nullptr : constantGroupForGroupKey(key);
}

QString ConstantManager::groupKeyForConstant(const QString& value) const
{
    for (const auto& [groupKey, group] : m_constants) {
        for (const QString& constant : group) {
            if (constant == value)
                return groupKey;
        }
    }
    return QString();
}

void ConstantManager::addConstantGroupFromDictionary(const ConstantGroup& dictionary, const QString& groupKey)
{
    ConstantGroup& group = m_constants[groupKey];
    for (auto it = dictionary.constBegin(); it != dictionary.constEnd(); ++it)
        group.insert(it.key(), it.value());
}

void ConstantManager::addConstantGroup(
    const QString& groupKey, const QString& constant, const QString& constantKey)
{
    m_constants[groupKey].insert(constantKey, constant);
}

void ConstantManager::setConstant(
    const QString& constant, const QString& constantKey, const QString& groupKey)
{
    if (ConstantGroup* group = constantGroupForGroupKey(groupKey))
        group->insert(constantKey, constant);
}

void ConstantManager::importRecipeViewingConstants()
{
    ConstantManager& manager = defaultManager();
    manager.addConstantGroupFromDictionary(
        {
            { RVValueConstantKey, QStringLiteral("name") },
            { RVPlaceholderConstantKey, localized("Untitled Recipe") },
        },
        KRNameConstantGroup);
    manager.addConstantGroupFromDictionary(
        {
            { RVValueConstantKey, QStringLiteral("recipeDescription") },
            { RVPlaceholderConstantKey, localized("Description") },
        },
        KRDescriptionConstantGroup);

    const struct {
        const QString& group;
        const char* label;
        const QString& labelValue;
        const char* value;
        const char* placeholder;
    } labelled[] = {
        { KRYieldConstantGroup, "yield", RVYieldLabelAttribute, "yield", "Yield" },
        { KRTotalTimeConstantGroup, "time", RVTotalTimeLabelAttribute, "totalTime", "Cook Time" },
        { KRKitchenConstantGroup, "from", RVKitchenLabelAttribute, "kitchen.name", "Chef's Name" },
        { KRCategoryConstantGroup, "category", RVCategoryLabelAttribute, "category.name", "Category" },
        { KRCuisineConstantGroup, "cuisine", RVCuisineLabelAttribute, "cuisine.name", "Cuisine" },
    };
    for (const auto& field : labelled) {
        manager.addConstantGroupFromDictionary(
            {
                { RVLabelConstantKey, localized(field.label) },
                { RVLabelValueConstantKey, field.labelValue },
                { RVValueConstantKey, QString::fromLatin1(field.value) },
                { RVPlaceholderConstantKey, localized(field.placeholder) },
            },
            field.group);
    }

    const struct {
        const QString& group;
        const char* value;
        const char* placeholder;
        const char* heading;
    } lists[] = {
        { KRIngredientConstantGroup, "baseIngredient.name", "Ingredient", "ingredients" },
        { KRDirectionConstantGroup, "directions.text", "Direction", "directions" },
        { KRNoteConstantGroup, "notes.text", "Note", "notes:" },
    };
    for (const auto& list : lists) {
        manager.addConstantGroupFromDictionary(
            {
                { RVValueConstantKey, QString::fromLatin1(list.value) },
                { RVPlaceholderConstantKey, localized(list.placeholder) },
                { RVHeadingConstantKey, localized(list.heading) },
            },
            list.group);
    }

    manager.addConstantGroup(KROnlineIDConstantGroup, QStringLiteral("onlineID"), RVValueConstantKey);
}

void ConstantManager::importRecipeImportConstants()
{
    ConstantManager& manager = defaultManager();
    const struct {
        const QString& group;
        const char* choice;
    } choices[] = {
        { KRDescriptionConstantGroup, "Description" },
        { KRIngredientConstantGroup, "Ingredients" },
        { KRDirectionConstantGroup, "Directions" },
        { KRNoteConstantGroup, "Notes" },
        { KRNameConstantGroup, "Name" },
        { KRTotalTimeConstantGroup, "Time" },
        { KRYieldConstantGroup, "Yield" },
        { KRCategoryConstantGroup, "Category" },
        { KRCuisineConstantGroup, "Cuisine" },
        { KRKitchenConstantGroup, "From" },
    };
    for (const auto& choice : choices)
        manager.setConstant(localized(choice.choice), RIChoiceConstantKey, choice.group);
}
