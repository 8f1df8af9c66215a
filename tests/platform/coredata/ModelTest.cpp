#include "ManagedObjectModel.h"

#include <gtest/gtest.h>

TEST(ManagedObjectModelTest, LoadsEntitiesWithInheritanceAndInverses)
{
    QString error;
    auto model = ManagedObjectModel::modelWithContentsOfFile(
        QStringLiteral(KITCHORA_TEST_DATA "/TestModel.json"), &error);
    ASSERT_TRUE(model) << error.toStdString();
    EXPECT_EQ(model->version(), 2);
    const EntityDescription* collection = model->entityNamed(QStringLiteral("Collection"));
    const EntityDescription* smart = model->entityNamed(QStringLiteral("SmartCollection"));
    ASSERT_TRUE(collection && smart);
    EXPECT_TRUE(collection->isAbstract());
    EXPECT_EQ(smart->superentity(), collection);
    EXPECT_EQ(smart->rootEntity(), collection);
    EXPECT_TRUE(smart->attributeNamed(QStringLiteral("kind"))); // inherited
    EXPECT_TRUE(smart->attributeNamed(QStringLiteral("query")));
    EXPECT_FALSE(collection->attributeNamed(QStringLiteral("query")));
    EXPECT_EQ(collection->selfAndDescendants().size(), 4);

    const RelationshipDescription* ingredients
        = model->entityNamed(QStringLiteral("Recipe"))->relationshipNamed(QStringLiteral("ingredients"));
    ASSERT_TRUE(ingredients);
    EXPECT_TRUE(ingredients->isToMany());
    EXPECT_EQ(ingredients->deleteRule(), RelationshipDescription::DeleteRule::Cascade);
    EXPECT_EQ(ingredients->inverseRelationship()->name(), QStringLiteral("recipe"));
    EXPECT_FALSE(ingredients->isManyToMany());
    EXPECT_TRUE(model->entityNamed(QStringLiteral("Recipe"))
                    ->relationshipNamed(QStringLiteral("collections"))
                    ->isManyToMany());
    EXPECT_EQ(model->fetchRequestTemplateNames().size(), 2);
    EXPECT_FALSE(model->versionHash().isEmpty());
}

TEST(ManagedObjectModelTest, RejectsInconsistentModelsWithAMessage)
{
    struct Case {
        const char* json;
        const char* fragment;
    };
    const Case cases[] = {
        { "{", "not valid JSON" },
        { "[]", "JSON object" },
        { R"({"entities": []})", "no \"entities\"" },
        { R"({"entities": [{"name": "A", "attributes": [{"name": "x", "type": "text"}]}]})", "unknown type" },
        { R"({"entities": [{"name": "A", "parent": "B"}]})", "unknown parent" },
        { R"({"entities": [{"name": "A", "parent": "B"}, {"name": "B", "parent": "A"}]})",
            "inherits from itself" },
        { R"({"entities": [{"name": "A"}, {"name": "A"}]})", "defined twice" },
        { R"({"entities": [{"name": "A", "relationships": [{"name": "b", "destination": "B"}]}]})",
            "unknown destination" },
        { R"({"entities": [{"name": "A", "relationships": [{"name": "b", "destination": "A", "inverse": "c"}]}]})",
            "unknown inverse" },
        { R"({"entities": [{"name": "A", "relationships": [{"name": "b", "destination": "A", "inverse": "c"},
                                                           {"name": "c", "destination": "A", "inverse": "d"},
                                                           {"name": "d", "destination": "A", "inverse": "c"}]}]})",
            "do not name each other" },
        { R"({"entities": [{"name": "A", "attributes": [{"name": "n", "type": "integer16", "default": "x"}]}]})",
            "default" },
        { R"({"entities": [{"name": "A"}], "fetchRequestTemplates": {"t": {"entity": "Z"}}})",
            "unknown entity" },
        { R"({"entities": [{"name": "A"}], "fetchRequestTemplates": {"t": {"entity": "A", "predicate": "a =="}}})",
            "unreadable predicate" },
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(ManagedObjectModel::modelWithJSON(QByteArray(c.json), &error)) << c.json;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.fragment))) << c.json << " -> " << error.toStdString();
    }
}

TEST(ManagedObjectModelTest, VersionHashFollowsStoredShapeOnly)
{
    auto a = ManagedObjectModel::modelWithJSON(
        R"({"entities": [{"name": "A", "attributes": [{"name": "x", "type": "string"}]}]})");
    auto b = ManagedObjectModel::modelWithJSON(
        R"({"entities": [{"name": "A", "attributes": [{"name": "x", "type": "string"}, {"name": "t", "type": "string", "transient": true}]}]})");
    auto c = ManagedObjectModel::modelWithJSON(
        R"({"entities": [{"name": "A", "attributes": [{"name": "x", "type": "integer32"}]}]})");
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->versionHash(), b->versionHash());
    EXPECT_NE(a->versionHash(), c->versionHash());
}
