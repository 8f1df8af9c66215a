#include "SearchTerm.h"

#include "Log.h"
#include "ModelStoreFixture.h"
#include "RecipeMO.h"
#include "SearchTermAdditions.h"

#include <gtest/gtest.h>

namespace
{

class SearchTermTest : public ModelStoreFixture
{
protected:
    // A recipe with the given single fields and ingredient lines of the given base ingredients.
    ManagedObject* recipe(
        const QString& name, const QString& category, const QString& cuisine, const QStringList& ingredients)
    {
        ManagedObject* r = RecipeMO::insertNewRecipeWithoutPlaceholderItems(context.get());
        r->setValueForKey(name, "name");
        if (!category.isEmpty())
            r->setValueForKey(QVariant::fromValue(insertNamed("Category", category)), "category");
        if (!cuisine.isEmpty())
            r->setValueForKey(QVariant::fromValue(insertNamed("Cuisine", cuisine)), "cuisine");
        int index = 1;
        for (const QString& ingredient : ingredients) {
            ManagedObject* line = insert("RecipeIngredient");
            line->setValueForKey(QVariant::fromValue(ingredientNamed(ingredient)), "baseIngredient");
            line->setValueForKey(index++, "index");
            line->setValueForKey(QVariant::fromValue(r), "recipe");
        }
        return r;
    }
    ManagedObject* ingredientNamed(const QString& name)
    {
        if (!ingredients.contains(name))
            ingredients.insert(name, insertNamed("Ingredient", name));
        return ingredients.value(name);
    }

    QHash<QString, ManagedObject*> ingredients;
};

// Any object the model reads by key that is not a managed object.
class PlainValue : public KeyValueCoding
{
public:
    QVariant valueForKey(const QString&) const override { return QStringLiteral("basil"); }
};

} // namespace

TEST_F(SearchTermTest, TextIsHeldLowerCasedAndAnEqualTextAnnouncesNothing)
{
    auto term = SearchTerm::searchTermWithSearchString("Chicken Soup", true);
    EXPECT_EQ(term->searchString(), "chicken soup");
    QStringList announced;
    term->addObserver([&](const QString& key) { announced.append(key); });
    term->setSearchString("CHICKEN soup");
    EXPECT_TRUE(announced.isEmpty());
    term->setSearchString("Leek");
    term->setSubstitutionType(SearchTerm::SubstituteOfTerm);
    term->setSearchSubstitutions(false);
    EXPECT_EQ(announced, QStringList({ "searchString", "substitutionType", "searchSubstitutions" }));
    EXPECT_EQ(term->searchString(), "leek");
    EXPECT_EQ(term->description(), "Search string: leek, Search substitutions: NO");
}

TEST_F(SearchTermTest, CommaSplitKeepsEmptyPiecesAndTheFlags)
{
    auto term = SearchTerm::searchTermWithSearchString("eggs, milk ,,", true);
    term->setSubstitutionType(SearchTerm::TermSubstitutesFor);
    const SearchTermList pieces = term->separateSearchTermOnString(",");
    QStringList texts;
    for (const auto& piece : pieces) {
        texts.append(piece->searchString());
        EXPECT_TRUE(piece->searchSubstitutions());
        EXPECT_EQ(piece->substitutionType(), SearchTerm::TermSubstitutesFor);
    }
    EXPECT_EQ(texts, QStringList({ "eggs", "milk", "", "" }));
    EXPECT_EQ(SearchTerm("\tone \n").separateSearchTermOnString(",").at(0)->searchString(), "one \n");
}

TEST_F(SearchTermTest, CopyIsAUserTerm)
{
    SearchTerm term("Basil", true);
    term.setSubstitutionType(SearchTerm::TermSubstitutesFor);
    const auto copy = term.copy();
    EXPECT_EQ(copy->searchString(), "basil");
    EXPECT_TRUE(copy->searchSubstitutions());
    EXPECT_EQ(copy->substitutionType(), SearchTerm::UserTerm);
}

TEST_F(SearchTermTest, IngredientNameInAnyCommaPiece)
{
    // The store holds the standard ingredient names as well; these are not among them.
    ingredientNamed("eggz");
    ingredientNamed("basilz");
    struct Case {
        const char* text;
        bool expected;
    };
    const Case cases[] = { { "eggz,basilz", true }, { "gravel,basilz", true }, { "eggz", true },
        { "gravel, sand", false }, { ",", false }, { "", false }, { "(null)", false }, { "eggzz", false } };
    for (const Case& c : cases)
        EXPECT_EQ(SearchTerm(c.text).hasIngredientNameInSearchString(), c.expected) << c.text;
}

TEST_F(SearchTermTest, TermFromModelObjects)
{
    ManagedObject* soup = recipe("Leek Soup", "Soups", "French", { "leek" });
    EXPECT_EQ(SearchTerm::searchTermWithObject(soup)->searchString(), "leek soup");
    EXPECT_EQ(SearchTerm::searchTermWithObject(soup->objectForKey("category"))->searchString(), "soups");
    EXPECT_EQ(SearchTerm::searchTermWithObject(soup->objectForKey("cuisine"))->searchString(), "french");
    EXPECT_EQ(SearchTerm::searchTermWithObject(ingredients.value("leek"))->searchString(), "leek");
    const auto line = SearchTerm::searchTermWithObject(soup->objectsForKey("ingredients").value(0));
    ASSERT_TRUE(line);
    EXPECT_EQ(line->searchString(), "leek");
    EXPECT_FALSE(line->searchSubstitutions());

    Log::Capture log;
    EXPECT_EQ(SearchTerm::searchTermWithObject(insertNamed("Kitchen", "Home")), nullptr);
    PlainValue plain;
    EXPECT_EQ(SearchTerm::searchTermWithObject(&plain), nullptr);
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_EQ(
        log.lines().at(0), "+[SearchTerm searchTermWithObject:]: unknown coredata entity type: Kitchen");
    EXPECT_TRUE(
        log.lines().at(1).startsWith("+[SearchTerm searchTermWithObject:]: unhandled object class: "));
}

// The recipe predicate, both as the store answers it in SQL and as it is evaluated in memory.
TEST_F(SearchTermTest, RecipePredicateTable)
{
    recipe("Salmon Teriyaki", "Fish", "Japanese", { "salmon", "soy sauce" });
    recipe("Green Salad", "Sides", "", { "lettuce" });
    recipe("Mystery", "", "", { "sal*" });
    recipe("Salt Crust", "", "", { "salt" });
    recipe("Crème Brûlée", "Dessert", "French", { "cream", "sugar" });
    recipe("Pad Kra Pao", "Mains", "Thai", { "Basil", "chicken" });
    recipe("Pesto", "Sauces", "Italian", { "basil", "pine nuts" });
    insert("Recipe"); // the placeholder name
    ASSERT_TRUE(save());

    struct Case {
        QStringList terms;
        QStringList expected;
    };
    const QList<Case> cases {
        // Wildcards reach names, not ingredients: an ingredient matches only by its exact name.
        { { "sal*" }, { "Green Salad", "Mystery", "Salmon Teriyaki", "Salt Crust" } },
        { { "sal" }, { "Green Salad", "Salmon Teriyaki", "Salt Crust" } },
        { { "basil" }, { "Pesto" } }, // the ingredient compares with case
        { { "thai" }, { "Pad Kra Pao" } }, // cuisine, case ignored
        { { "DESSERT" }, { "Crème Brûlée" } }, // category
        { { "creme brulee" }, { "Crème Brûlée" } }, // diacritics ignored
        { { "s?lad" }, { "Green Salad" } },
        { { "salmon", "japanese" }, { "Salmon Teriyaki" } },
        { { "salmon", "thai" }, {} },
        { { "pesto", "" }, { "Pesto" } }, // an empty piece does not narrow
        { { "" },
            { "Crème Brûlée", "Green Salad", "Mystery", "Pad Kra Pao", "Pesto", "Salmon Teriyaki",
                "Salt Crust", "Untitled Recipe" } },
    };
    for (const Case& c : cases) {
        SearchTermList terms;
        for (const QString& text : c.terms)
            terms.append(std::make_shared<SearchTerm>(text));
        const Predicate predicate = SearchTermAdditions::andPredicateFromSearchTerms(terms);
        FetchRequest request = FetchRequest::fetchRequestWithEntityName("Recipe");
        request.setPredicate(predicate);
        request.setSortDescriptors({ SortDescriptor("name") });
        const auto fetched = context->executeFetchRequest(request);
        ASSERT_TRUE(fetched);
        QStringList names;
        for (ManagedObject* r : *fetched)
            names.append(r->valueForKey("name").toString());
        EXPECT_EQ(names, c.expected) << c.terms.join('|').toStdString();
        QStringList evaluated;
        for (ManagedObject* r : fetchAll("Recipe")) {
            if (predicate.evaluateWithObject(QVariant::fromValue(r)))
                evaluated.append(r->valueForKey("name").toString());
        }
        evaluated.sort();
        EXPECT_EQ(evaluated, c.expected) << c.terms.join('|').toStdString();
    }
}

TEST_F(SearchTermTest, EmptyTermListsAndTheUnusedOnlineUserPredicate)
{
    recipe("Pesto", "", "", { "basil" });
    ManagedObject* pesto = fetchAll("Recipe").value(0);
    EXPECT_TRUE(
        SearchTermAdditions::andPredicateFromSearchTerms({}).evaluateWithObject(QVariant::fromValue(pesto)));
    EXPECT_FALSE(
        SearchTermAdditions::orPredicateFromSearchTerms({}).evaluateWithObject(QVariant::fromValue(pesto)));
    EXPECT_TRUE(SearchTermAdditions::orPredicateFromSearchTerms(
        { std::make_shared<SearchTerm>("nothing"), std::make_shared<SearchTerm>("basil") })
                    .evaluateWithObject(QVariant::fromValue(pesto)));
    Log::Capture log;
    EXPECT_FALSE(SearchTermAdditions::predicateForSearchByOnlineUserID(5));
    EXPECT_EQ(log.lines(), QStringList({ "Called predicateForSearchByOnlineUserID:" }));
}
