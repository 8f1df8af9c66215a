#include "ConstantManager.h"

#include <gtest/gtest.h>
#include <mutex>

namespace
{

ConstantManager& filledManager()
{
    // Filling twice must leave the registry as filling once does.
    ConstantManager::importRecipeViewingConstants();
    ConstantManager::importRecipeImportConstants();
    ConstantManager::importRecipeViewingConstants();
    ConstantManager::importRecipeImportConstants();
    return ConstantManager::defaultManager();
}

} // namespace

TEST(ConstantManager, HoldsTheWholeTableOfGroups)
{
    const ConstantManager& manager = filledManager();
    const QString none;
    const struct {
        const QString& group;
        QString value, placeholder, label, labelValue, heading, choice;
    } table[] = {
        { KRNameConstantGroup, "name", "Untitled Recipe", none, none, none, "Name" },
        { KRDescriptionConstantGroup, "recipeDescription", "Description", none, none, none, "Description" },
        { KRYieldConstantGroup, "yield", "Yield", "yield", "RVYieldLabelAttribute", none, "Yield" },
        { KRTotalTimeConstantGroup, "totalTime", "Cook Time", "time", "RVTotalTimeLabelAttribute", none,
            "Time" },
        { KRKitchenConstantGroup, "kitchen.name", "Chef's Name", "from", "RVKitchenLabelAttribute", none,
            "From" },
        { KRCategoryConstantGroup, "category.name", "Category", "category", "RVCategoryLabelAttribute", none,
            "Category" },
        { KRCuisineConstantGroup, "cuisine.name", "Cuisine", "cuisine", "RVCuisineLabelAttribute", none,
            "Cuisine" },
        { KRIngredientConstantGroup, "baseIngredient.name", "Ingredient", none, none, "ingredients",
            "Ingredients" },
        { KRDirectionConstantGroup, "directions.text", "Direction", none, none, "directions", "Directions" },
        { KRNoteConstantGroup, "notes.text", "Note", none, none, "notes:", "Notes" },
        { KROnlineIDConstantGroup, "onlineID", none, none, none, none, none },
    };
    for (const auto& row : table) {
        const std::string group = row.group.toStdString();
        const ConstantGroup* stored = manager.constantGroupForGroupKey(row.group);
        ASSERT_NE(stored, nullptr) << group;
        const std::pair<const QString&, const QString&> cells[] = {
            { RVValueConstantKey, row.value },
            { RVPlaceholderConstantKey, row.placeholder },
            { RVLabelConstantKey, row.label },
            { RVLabelValueConstantKey, row.labelValue },
            { RVHeadingConstantKey, row.heading },
            { RIChoiceConstantKey, row.choice },
        };
        int present = 0;
        for (const auto& [key, expected] : cells) {
            const QString constant = manager.constantForKey(key, row.group);
            EXPECT_EQ(constant, expected) << group << " " << key.toStdString();
            EXPECT_EQ(constant.isNull(), expected.isNull()) << group << " " << key.toStdString();
            present += expected.isNull() ? 0 : 1;
        }
        EXPECT_EQ(stored->size(), present) << group;
    }
    EXPECT_EQ(manager.constantForKey(RVValueConstantKey, "KRNoSuchGroup"), QString());
}

TEST(ConstantManager, ConstantsByGroupCountTheGroupsHavingTheKey)
{
    const ConstantManager& manager = filledManager();
    const std::pair<const QString&, int> counts[] = {
        { RVHeadingConstantKey, 3 },
        { RVLabelConstantKey, 5 },
        { RVLabelValueConstantKey, 5 },
        { RVValueConstantKey, 11 },
        { RVPlaceholderConstantKey, 10 },
        { RIChoiceConstantKey, 10 },
    };
    for (const auto& [key, count] : counts)
        EXPECT_EQ(manager.constantsByGroupWithConstantKey(key).size(), count) << key.toStdString();
    EXPECT_TRUE(manager.constantsByGroupWithConstantKey("RVNoSuchKey").isEmpty());

    const QMap<QString, QString> headings = manager.constantsByGroupWithConstantKey(RVHeadingConstantKey);
    EXPECT_EQ(manager.constantsByGroupWithConstantKey(RVHeadingValueConstantKey), headings);
    EXPECT_EQ(headings.value(KRNoteConstantGroup), "notes:");
}

TEST(ConstantManager, ReverseLookupFindsTheOneGroupHoldingAText)
{
    const ConstantManager& manager = filledManager();
    const std::pair<QString, QString> cases[] = {
        { "directions.text", KRDirectionConstantGroup },
        { "From", KRKitchenConstantGroup },
        { "from", KRKitchenConstantGroup },
        { "RVCuisineLabelAttribute", KRCuisineConstantGroup },
        { "Untitled Recipe", KRNameConstantGroup },
        { "onlineID", KROnlineIDConstantGroup },
        { "notes:", KRNoteConstantGroup },
        { "FROM", QString() }, // comparisons keep case
        { "Sauce", QString() },
        { "", QString() },
    };
    for (const auto& [value, group] : cases) {
        EXPECT_EQ(manager.groupKeyForConstant(value), group) << value.toStdString();
        EXPECT_EQ(manager.constantGroupForConstant(value),
            group.isNull() ? nullptr : manager.constantGroupForGroupKey(group));
    }

    // No text stands in two groups, so the reverse lookup never depends on the order of groups.
    QMap<QString, QString> owner;
    for (const QString& group : manager.constantsByGroupWithConstantKey(RVValueConstantKey).keys()) {
        for (const QString& constant : *manager.constantGroupForGroupKey(group)) {
            EXPECT_TRUE(!owner.contains(constant) || owner.value(constant) == group)
                << constant.toStdString();
            owner.insert(constant, group);
        }
    }
}

TEST(ConstantManager, AddingAndSettingGroups)
{
    ConstantManager manager;
    manager.setConstant("Pan", RVLabelConstantKey, "KRPanConstantGroup");
    EXPECT_EQ(manager.constantGroupForGroupKey("KRPanConstantGroup"), nullptr);
    EXPECT_TRUE(manager.constantsByGroupWithConstantKey(RVLabelConstantKey).isEmpty());

    manager.addConstantGroupFromDictionary(
        { { RVValueConstantKey, "pan" }, { RVLabelConstantKey, "pan" } }, "KRPanConstantGroup");
    manager.addConstantGroupFromDictionary(
        { { RVLabelConstantKey, "skillet" }, { RVHeadingConstantKey, "pans" } }, "KRPanConstantGroup");
    const ConstantGroup merged = { { RVValueConstantKey, "pan" }, { RVLabelConstantKey, "skillet" },
        { RVHeadingConstantKey, "pans" } };
    ASSERT_NE(manager.constantGroupForGroupKey("KRPanConstantGroup"), nullptr);
    EXPECT_EQ(*manager.constantGroupForGroupKey("KRPanConstantGroup"), merged);

    manager.setConstant("Pan", RIChoiceConstantKey, "KRPanConstantGroup");
    EXPECT_EQ(manager.constantForKey(RIChoiceConstantKey, "KRPanConstantGroup"), "Pan");

    manager.addConstantGroup("KROvenConstantGroup", "oven", RVValueConstantKey);
    manager.addConstantGroup("KROvenConstantGroup", "Oven", RVPlaceholderConstantKey);
    EXPECT_EQ(manager.constantGroupForGroupKey("KROvenConstantGroup")->size(), 2);

    // The group handed out is the live one.
    manager.constantGroupForGroupKey("KROvenConstantGroup")->insert(RVHeadingConstantKey, "ovens");
    EXPECT_EQ(manager.groupKeyForConstant("ovens"), "KROvenConstantGroup");
}

TEST(ConstantManager, CallersCanHoldTheLockAroundALookup)
{
    ConstantManager& manager = filledManager();
    std::lock_guard<ConstantManager> guard(manager);
    EXPECT_EQ(manager.constantForKey(RVPlaceholderConstantKey, KRNameConstantGroup), "Untitled Recipe");
}
