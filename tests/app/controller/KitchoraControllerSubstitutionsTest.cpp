#include "ControllerFixture.h"
#include "EntityDescription.h"
#include "FetchRequest.h"
#include "Log.h"
#include "Predicate.h"
#include "PropertyList.h"

#include <QDir>
#include <QFile>

namespace
{

class SubstitutionsTest : public ControllerFixture
{
protected:
    QList<ManagedObject*> fetch(const QString& entity, const QString& predicate = {})
    {
        FetchRequest request = FetchRequest::fetchRequestWithEntityName(entity);
        if (!predicate.isEmpty())
            request.setPredicate(*Predicate::predicateWithFormat(predicate));
        return context()->executeFetchRequest(request).value_or(QList<ManagedObject*>());
    }

    // The rules of the store as "ingredient amount > substitute amount", sorted.
    QStringList rules()
    {
        QStringList result;
        for (const ManagedObject* rule : fetch(QStringLiteral("Substitution"))) {
            result.append(QStringLiteral("%1 %2 > %3 %4")
                              .arg(rule->objectForKey(QStringLiteral("ingredient"))
                                       ->valueForKey(QStringLiteral("name"))
                                       .toString(),
                                  rule->valueForKey(QStringLiteral("ingredientAmount")).toString(),
                                  rule->objectForKey(QStringLiteral("substitute"))
                                      ->valueForKey(QStringLiteral("name"))
                                      .toString(),
                                  rule->valueForKey(QStringLiteral("substituteAmount")).toString()));
        }
        result.sort();
        return result;
    }

    ManagedObject* insertRule(const QString& ingredient, const QString& amount, const QString& substitute,
        const QString& substituteAmount)
    {
        ManagedObject* rule
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Substitution"), context());
        if (!ingredient.isNull())
            rule->setValueForKey(ingredient, QStringLiteral("ingredient"));
        rule->setValueForKey(amount, QStringLiteral("ingredientAmount"));
        if (!substitute.isNull())
            rule->setValueForKey(substitute, QStringLiteral("substitute"));
        rule->setValueForKey(substituteAmount, QStringLiteral("substituteAmount"));
        return rule;
    }

    static QVariantMap entry(const QVariant& ingredient, const QVariant& amount, const QVariant& substitute,
        const QVariant& substituteAmount)
    {
        QVariantMap map;
        const QList<std::pair<const char*, QVariant>> values { { "ingredient", ingredient },
            { "ingredientAmount", amount }, { "substitute", substitute },
            { "substituteAmount", substituteAmount } };
        for (const auto& [key, value] : values) {
            if (value.isValid())
                map.insert(QString::fromUtf8(key), value);
        }
        return map;
    }

    QString userFile()
    {
        return QDir(controller->applicationSupportFolder()).filePath("substitutions.plist");
    }
};

TEST_F(SubstitutionsTest, NewLibraryGetsTheDefaultRulesUnlessTheUserHasAFile)
{
    launch();
    const QStringList defaults = rules();
    const std::optional<QVariantList> resource
        = PropertyList::arrayWithContentsOfFile(":/substitutions.plist");
    ASSERT_TRUE(resource);
    EXPECT_GE(resource->size(), 24);
    EXPECT_EQ(defaults.size(), resource->size());
    EXPECT_TRUE(defaults.contains("unsweetened chocolate 1 oz > cocoa powder 3 tbsp"));
    // Rules naming one ingredient share it.
    EXPECT_EQ(fetch("Ingredient", "name == \"butter\"").size(), 1);
    EXPECT_EQ(fetch("Substitution", "ingredient.name == \"butter\"").size(), 2);

    // A second user, with a file of their own, starting a new library.
    const QString file = userFile();
    controller.reset();
    QDir(QFileInfo(file).path()).removeRecursively();
    QDir().mkpath(QFileInfo(file).path());
    ASSERT_TRUE(PropertyList::writePropertyList(
        QVariantList { entry("lard", "1 cup", "ghee", "1 cup") }, file, PropertyList::Format::Xml));
    launch();
    EXPECT_EQ(rules(), QStringList { "lard 1 cup > ghee 1 cup" });
}

TEST_F(SubstitutionsTest, DeletingEveryRuleIsRememberedByTheFile)
{
    KitchoraController& c = launch();
    ASSERT_FALSE(rules().isEmpty());
    for (ManagedObject* rule : fetch("Substitution"))
        context()->deleteObject(rule);
    c.writeSubstitutionsToFile(userFile(), true);
    const std::optional<QVariantList> written = PropertyList::arrayWithContentsOfFile(userFile());
    ASSERT_TRUE(written);
    EXPECT_TRUE(written->isEmpty());

    // The next new library (the store removed) reads the empty list, not the defaults.
    controller.reset();
    for (const QString& name : QDir(QFileInfo(userFile()).path()).entryList({ "*.recipedb*" }))
        QFile::remove(QDir(QFileInfo(userFile()).path()).filePath(name));
    launch();
    EXPECT_TRUE(rules().isEmpty());
}

TEST_F(SubstitutionsTest, ReadingSkipsIncompleteAndRepeatedRules)
{
    KitchoraController& c = launch();
    for (ManagedObject* rule : fetch("Substitution"))
        context()->deleteObject(rule);
    insertRule("butter", "1 cup", "margarine", "1 cup");
    const qsizetype ingredientsBefore = fetch("Ingredient").size();
    const QString path = root.filePath("rules.plist");
    ASSERT_TRUE(PropertyList::writePropertyList(
        QVariantList {
            entry("Butter", "1 cup ", "margarine", "1 cup"), // held already
            entry("quince jam", "1 cup", "membrillo", "1 cup"),
            entry("quince jam", "1 cup", "membrillo", "1 cup"), // repeated
            entry("quince jam", "1 cup", QVariant(), "1 cup"),
            entry("quince jam", QVariant(), "membrillo", "1 cup"),
            entry("quince jam", "1 cup", 7, "1 cup"),
            entry("", "1 cup", "membrillo", "1 cup"),
            QStringLiteral("not a rule"),
        },
        path, PropertyList::Format::Xml));
    Log::Capture log;
    c.readSubstitutionsFromFile(path);
    EXPECT_EQ(
        rules(), (QStringList { "butter 1 cup > margarine 1 cup", "quince jam 1 cup > membrillo 1 cup" }));
    EXPECT_EQ(fetch("Ingredient").size(), ingredientsBefore + 2); // both new, and no nameless one
    EXPECT_EQ(log.lines().filter("readSubstitutionsFromFile: skipping rule").size(), 5);
    EXPECT_TRUE(log.contains("skipping rule 4 of " + path + ": no \"substitute\""));
}

TEST_F(SubstitutionsTest, WritingSkipsRulesMissingAPart)
{
    KitchoraController& c = launch();
    for (ManagedObject* rule : fetch("Substitution"))
        context()->deleteObject(rule);
    insertRule("lard", "1 cup", "ghee", "1 cup");
    insertRule("lard", "1 cup", QString(), "1 cup");
    insertRule("lard", QString(), "ghee", "1 cup");
    Log::Capture log;
    c.writeSubstitutionsToFile(userFile(), true);
    const std::optional<QVariantList> written = PropertyList::arrayWithContentsOfFile(userFile());
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, QVariantList { entry("lard", "1 cup", "ghee", "1 cup") });
    EXPECT_TRUE(log.contains("writeSubstitutionsToFile:atomically: skipping a rule without \"substitute\""));
    EXPECT_TRUE(
        log.contains("writeSubstitutionsToFile:atomically: skipping a rule without \"ingredientAmount\""));
}

} // namespace
