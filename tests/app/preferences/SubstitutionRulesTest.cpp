#include "SubstitutionRules.h"

#include "HaveItList.h"
#include "ModelStoreFixture.h"

#include <gtest/gtest.h>

using SubstitutionRules::Box;

namespace
{

class SubstitutionRulesTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        butter = insertNamed(QStringLiteral("Ingredient"), QStringLiteral("butter"));
        margarine = insertNamed(QStringLiteral("Ingredient"), QStringLiteral("margarine"));
        recipe = insertNamed(QStringLiteral("Recipe"), QStringLiteral("Toast"));
        rule = insert(QStringLiteral("Substitution"));
        ASSERT_TRUE(save());
    }

    static QString nameAt(ManagedObject* object, const QString& key)
    {
        const KeyValueCoding* held = KeyValueCoding::fromVariant(object->valueForKey(key));
        return held ? held->valueForKey(QStringLiteral("name")).toString() : QString();
    }

    ManagedObject* butter = nullptr;
    ManagedObject* margarine = nullptr;
    ManagedObject* recipe = nullptr;
    ManagedObject* rule = nullptr;
};

} // namespace

TEST_F(SubstitutionRulesTest, DropSetsTheSideTheBoxShowsForTheDirection)
{
    struct Case {
        Box box;
        int tag;
        const char* role; // "" when refused
    };
    const QList<Case> cases {
        { Box::Top, 1, "ingredient" },
        { Box::Top, 0, "substitute" },
        { Box::Bottom, 1, "substitute" },
        { Box::Bottom, 0, "ingredient" },
        { Box::Bottom, 7, "ingredient" },
        { Box::Other, 1, "" },
        { Box::Other, 0, "" },
    };
    const QUrl url = butter->objectID().URIRepresentation();
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("box %1 tag %2").arg(int(c.box)).arg(c.tag).toStdString());
        rule->setValueForKey(QVariant(), QStringLiteral("ingredient"));
        rule->setValueForKey(QVariant(), QStringLiteral("substitute"));
        EXPECT_EQ(SubstitutionRules::roleForBox(c.box, c.tag), QString::fromLatin1(c.role));
        const bool taken = SubstitutionRules::dropIngredient(c.box, c.tag, url, rule, context.get());
        EXPECT_EQ(taken, *c.role != 0);
        if (taken) {
            EXPECT_EQ(nameAt(rule, QString::fromLatin1(c.role)), QStringLiteral("butter"));
        }
    }
}

TEST_F(SubstitutionRulesTest, OnlyIngredientLinksOfThisLibraryAreTaken)
{
    const QUrl ingredient = butter->objectID().URIRepresentation();
    QUrl otherStore = ingredient;
    otherStore.setHost(QStringLiteral("0000-not-this-store"));
    const QList<QUrl> refused {
        QUrl(QStringLiteral("https://example.com/Ingredient/p1")),
        recipe->objectID().URIRepresentation(),
        rule->objectID().URIRepresentation(),
        otherStore,
        QUrl(QStringLiteral("x-coredata:///Ingredient/t987654321987")),
        QUrl(QStringLiteral("x-coredata://%1/Ingredient/p99999").arg(ingredient.host())),
        QUrl(),
    };
    for (const QUrl& url : refused) {
        EXPECT_FALSE(SubstitutionRules::dropIngredient(Box::Top, 1, url, rule, context.get()))
            << qPrintable(url.toString());
        EXPECT_TRUE(nameAt(rule, QStringLiteral("ingredient")).isEmpty());
    }
    EXPECT_FALSE(SubstitutionRules::dropIngredient(Box::Top, 1, ingredient, nullptr, context.get()));
    EXPECT_TRUE(SubstitutionRules::dropIngredient(Box::Top, 1, ingredient, rule, context.get()));

    // A deleted ingredient is no longer there to drop.
    context->deleteObject(margarine);
    EXPECT_FALSE(SubstitutionRules::dropIngredient(
        Box::Bottom, 1, margarine->objectID().URIRepresentation(), rule, context.get()));
}

TEST_F(SubstitutionRulesTest, InvertSwapsSidesAndAmountsAndTheDescriptionFollowsTheTag)
{
    rule->setValueForKey(QVariant::fromValue<ManagedObject*>(butter), QStringLiteral("ingredient"));
    rule->setValueForKey(QVariant::fromValue<ManagedObject*>(margarine), QStringLiteral("substitute"));
    rule->setValueForKey(QStringLiteral("1 cup"), QStringLiteral("ingredientAmount"));
    rule->setValueForKey(QStringLiteral("7/8 cup"), QStringLiteral("substituteAmount"));
    EXPECT_EQ(SubstitutionRules::describe(rule, 1), QStringLiteral("butter with margarine"));
    EXPECT_EQ(SubstitutionRules::describe(rule, 0), QStringLiteral("margarine for butter"));

    SubstitutionRules::invert(rule);
    EXPECT_EQ(nameAt(rule, QStringLiteral("ingredient")), QStringLiteral("margarine"));
    EXPECT_EQ(nameAt(rule, QStringLiteral("substitute")), QStringLiteral("butter"));
    EXPECT_EQ(rule->valueForKey(QStringLiteral("ingredientAmount")).toString(), QStringLiteral("7/8 cup"));
    EXPECT_EQ(rule->valueForKey(QStringLiteral("substituteAmount")).toString(), QStringLiteral("1 cup"));
    EXPECT_EQ(SubstitutionRules::describe(rule, 1), QStringLiteral("margarine with butter"));
}

TEST(SubstitutionMeasureTest, StripToMeasure)
{
    const QList<std::pair<QString, QString>> cases {
        { "2 cu", "cu" },
        { "  12 tbsp. ", "tbsp." },
        { "½ cup", "½ cup" }, // a vulgar fraction is a number, not a digit
        { "cup", "cup" },
        { "12", "" },
        { "", "" },
        { "3 fl oz", "fl oz" },
    };
    for (const auto& [text, measure] : cases)
        EXPECT_EQ(SubstitutionRules::stripToMeasure(text), measure) << qPrintable(text);
}

TEST(SubstitutionMeasureTest, ComboItemsOfferTheBareNumberThenEachCompletion)
{
    struct Case {
        QString text;
        QStringList completions;
        QStringList items;
    };
    const QList<Case> cases {
        { "2 c", { "cup", "cups", "centiliter" }, { "2", "2 cup", "2 cups", "2 centiliter" } },
        { "cup", { "cup", "cups" }, { "cup", "cups" } },
        { "2 c", {}, {} },
        // Typed characters are no pattern: "(" neither fails nor matches anything else.
        { "2 (c", { "(cup" }, { "2", "2 (cup" } },
        { "1 c.*", { "c.*x" }, { "1", "1 c.*x" } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(SubstitutionRules::measureItems(c.text, c.completions), c.items) << qPrintable(c.text);
}

TEST(SubstitutionMeasureTest, CompletedStringTakesTheFirstLongerCompletion)
{
    EXPECT_EQ(SubstitutionRules::completedString(QStringLiteral("2 c"), { "cups", "Centiliter", "c" }),
        QStringLiteral("2 Centiliter"));
    EXPECT_EQ(
        SubstitutionRules::completedString(QStringLiteral("2 cup"), { "cup" }), QStringLiteral("2 cup"));
    EXPECT_EQ(SubstitutionRules::completedString(QStringLiteral("2 c"), {}), QStringLiteral("2 c"));
}

TEST_F(SubstitutionRulesTest, HaveItListAddsFindsAndRemoves)
{
    EXPECT_EQ(HaveItList::addIngredient(QStringLiteral("   "), context.get(), true), nullptr);
    EXPECT_EQ(HaveItList::addIngredient(QString(), context.get(), true), nullptr);
    EXPECT_TRUE(HaveItList::haveItIngredients(context.get()).isEmpty());

    ManagedObject* salt = HaveItList::addIngredient(QStringLiteral(" Salt "), context.get(), true);
    ASSERT_NE(salt, nullptr);
    EXPECT_EQ(salt->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Salt"));
    // An ingredient already known is marked, not made again.
    EXPECT_EQ(HaveItList::addIngredient(QStringLiteral("butter"), context.get(), true), butter);
    EXPECT_EQ(HaveItList::haveItIngredients(context.get()), (QList<ManagedObject*> { butter, salt }));

    ManagedObject* pepper = HaveItList::addIngredient(QStringLiteral("pepper"), context.get(), false);
    ASSERT_NE(pepper, nullptr);
    EXPECT_FALSE(pepper->valueForKey(QStringLiteral("haveIt")).toBool());

    HaveItList::removeIngredientHaveIt(butter, context.get());
    EXPECT_EQ(HaveItList::haveItIngredients(context.get()), QList<ManagedObject*> { salt });
    HaveItList::removeIngredientHaveIt(nullptr, context.get());
}
