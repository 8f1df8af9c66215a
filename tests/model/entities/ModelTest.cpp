#include "ModelStoreFixture.h"
#include "Predicate.h"

using ModelTest = ModelStoreFixture;

TEST_F(ModelTest, EveryEntityHasItsClass)
{
    const QList<QPair<QString, QString>> expected = {
        { "Recipe", "RecipeMO" },
        { "RecipeIngredient", "RecipeIngredientMO" },
        { "Ingredient", "IngredientMO" },
        { "Substitution", "SubstitutionMO" },
        { "Image", "ImageMO" },
        { "Direction", "DirectionMO" },
        { "Note", "NoteMO" },
        { "Category", "CategoryMO" },
        { "Cuisine", "CuisineMO" },
        { "Kitchen", "KitchenMO" },
        { "Comment", "CommentMO" },
        { "RecipeCollection", "RecipeCollection" },
        { "Folder", "Folder" },
        { "ManualCollection", "ManualCollection" },
        { "SmartCollection", "SmartCollection" },
        { "DeviceCollection", "DeviceCollection" },
    };
    for (const auto& [entity, className] : expected) {
        const EntityDescription* description = model->entityNamed(entity);
        ASSERT_TRUE(description) << entity.toStdString();
        EXPECT_EQ(description->managedObjectClassName(), className) << entity.toStdString();
    }
    EXPECT_TRUE(
        model->entityNamed("DeviceCollection")->isKindOfEntity(model->entityNamed("ManualCollection")));
    EXPECT_TRUE(
        model->entityNamed("SmartCollection")->isKindOfEntity(model->entityNamed("RecipeCollection")));
}

// Every template parses, names an entity of the model and runs against an empty store.
TEST_F(ModelTest, EveryTemplateRuns)
{
    const QStringList names = { "fetchLibrary", "fetchSearchCache", "fetchImportedCollection",
        "fetchDevicesFolder", "fetchCollectionByName", "fetchIngredientByName", "fetchCategoryByName",
        "fetchCuisineByName", "fetchKitchenByName", "fetchRecipeByID", "fetchDefaultIngredient",
        "fetchRecipesWithChangedSharing", "fetchRecipesWithChangedRating", "fetchRecipesWithChangedImage",
        "fetchDevice" };
    for (const QString& name : names) {
        const QVariantMap variables = { { "name", "x" }, { "id", 7 }, { "deviceName", "x" } };
        std::optional<FetchRequest> request = model->fetchRequestFromTemplateWithName(name, variables);
        ASSERT_TRUE(request) << name.toStdString();
        Error error;
        auto result = context->executeFetchRequest(*request, &error);
        ASSERT_TRUE(result) << name.toStdString() << ": " << error.localizedDescription.toStdString();
        EXPECT_TRUE(result->isEmpty()) << name.toStdString();
    }
    EXPECT_EQ(model->fetchRequestTemplateNames().size(), names.size());
}

// The templates select what their callers rely on.
TEST_F(ModelTest, TemplatesSelectTheirObjects)
{
    ManagedObject* library = makeCollection("RBCollectionKindMainLibrary");
    ManagedObject* cache = makeCollection("RBCollectionKindSearchCache");
    ManagedObject* device = insert("DeviceCollection");
    device->setPrimitiveValue("Phone", "name");
    ManagedObject* kitchen = insert("Kitchen");
    kitchen->setPrimitiveValue("Mine", "name");
    ManagedObject* placeholder = insert("Ingredient");
    placeholder->setPrimitiveValue("Ingredient", "name");
    ManagedObject* recipe = insert("Recipe");
    recipe->setPrimitiveValue(42, "onlineID");
    recipe->setPrimitiveValue(true, "changedRating");
    ASSERT_TRUE(save());

    auto first = [&](const QString& name, const QVariantMap& variables = {}) -> ManagedObject* {
        std::optional<FetchRequest> request = model->fetchRequestFromTemplateWithName(name, variables);
        EXPECT_TRUE(request);
        auto result = context->executeFetchRequest(*request);
        EXPECT_TRUE(result);
        return result && result->size() == 1 ? result->first() : nullptr;
    };
    EXPECT_EQ(first("fetchLibrary"), library);
    EXPECT_EQ(first("fetchSearchCache"), cache);
    EXPECT_EQ(first("fetchDevice", { { "deviceName", "Phone" } }), device);
    EXPECT_EQ(first("fetchKitchenByName", { { "name", "Mine" } }), kitchen);
    EXPECT_EQ(first("fetchDefaultIngredient"), placeholder);
    EXPECT_EQ(first("fetchRecipeByID", { { "id", 42 } }), recipe);
    EXPECT_EQ(first("fetchRecipesWithChangedRating"), recipe);
    EXPECT_EQ(first("fetchRecipesWithChangedSharing"), nullptr);
}

// Deleting a vocabulary entry that recipe lines use is refused, so no line loses its ingredient.
TEST_F(ModelTest, UsedVocabularyCannotBeDeleted)
{
    ManagedObject* ingredient = insert("Ingredient");
    ingredient->setPrimitiveValue("flour", "name");
    ManagedObject* line = insert("RecipeIngredient");
    line->setValueForKey(QVariant::fromValue(ingredient), "baseIngredient");
    ManagedObject* category = insert("Category");
    category->setPrimitiveValue("Bread", "name");
    ManagedObject* recipe = insert("Recipe");
    recipe->setValueForKey(QVariant::fromValue(category), "category");
    ASSERT_TRUE(save());

    for (ManagedObject* entry : { ingredient, category }) {
        context->deleteObject(entry);
        Error error;
        EXPECT_FALSE(context->save(&error));
        context->rollback();
    }
    EXPECT_EQ(line->valueForKey("baseIngredient").value<ManagedObject*>(), ingredient);
    EXPECT_EQ(recipe->valueForKey("category").value<ManagedObject*>(), category);
}
