#include "IngredientTrie.h"

#include "BaseMOAdditions.h"
#include "IngredientMO.h"
#include "Log.h"
#include "ModelStoreFixture.h"
#include "ParsingEngine.h"
#include "UnitsEngine.h"

#include <QFile>
#include <QSet>
#include <atomic>
#include <thread>

namespace
{

QStringList shippedIngredientNames()
{
    QFile file(QStringLiteral(":/ingredients.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList names;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (!line.isEmpty())
            names.append(line);
    }
    return names;
}

class IngredientTrieTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        IngredientTrie::rebuildIngredientTries();
    }

    void TearDown() override
    {
        IngredientTrie::rebuildIngredientTries();
        ModelStoreFixture::TearDown();
    }

    // Ingredients saved to the store without any trie knowing of them.
    void storeIngredients(const QStringList& names)
    {
        std::unique_ptr<ManagedObjectContext> other = newContext();
        for (const QString& name : names)
            insert(QStringLiteral("Ingredient"), other.get())
                ->setPrimitiveValue(name, QStringLiteral("name"));
        save(other.get());
    }

    QList<ManagedObject*> ingredientsNamed(const QString& name, ManagedObjectContext* in = nullptr)
    {
        QList<ManagedObject*> found;
        for (ManagedObject* ingredient : fetchAll(QStringLiteral("Ingredient"), in)) {
            if (ingredient->valueForKey(QStringLiteral("name")).toString().compare(name, Qt::CaseInsensitive)
                == 0)
                found.append(ingredient);
        }
        return found;
    }

    IngredientMO* newIngredient(const QString& name, ManagedObjectContext* in = nullptr)
    {
        auto* ingredient = dynamic_cast<IngredientMO*>(insert(QStringLiteral("Ingredient"), in));
        EXPECT_TRUE(ingredient);
        ingredient->setName(name);
        return ingredient;
    }
};

} // namespace

TEST_F(IngredientTrieTest, FillsFromTheStoreThenAddsTheShippedNamesTheStoreLacks)
{
    storeIngredients({ QStringLiteral("Butter"), QStringLiteral("Grandma's spice mix") });

    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::defaultIngredientTrie();
    ASSERT_TRUE(trie);
    const QList<ManagedObject*> butter = ingredientsNamed(QStringLiteral("butter"));
    ASSERT_EQ(butter.size(), 1);
    EXPECT_EQ(butter.first()->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Butter"));
    EXPECT_EQ(trie->ingredientObjectForKey(QStringLiteral("butter")), butter.first());
    EXPECT_TRUE(trie->containsIngredient(QStringLiteral("grandma's spice mix")));

    const QStringList shipped = shippedIngredientNames();
    for (const QString& name : shipped)
        ASSERT_TRUE(trie->containsIngredient(name)) << name.toStdString();
    // Every shipped name the store lacked is a new object of this context, once.
    EXPECT_EQ(context->insertedObjects().size(), shipped.size() - 1);
    save();

    // A later fill of the saved store finds everything and inserts nothing.
    openStack();
    IngredientTrie::rebuildIngredientTries();
    const std::shared_ptr<IngredientTrie> again = IngredientTrie::defaultIngredientTrie();
    ASSERT_TRUE(again);
    EXPECT_NE(again, trie);
    EXPECT_TRUE(context->insertedObjects().isEmpty());
    EXPECT_EQ(fetchAll(QStringLiteral("Ingredient")).size(), shipped.size() + 1);
}

TEST_F(IngredientTrieTest, LookupsAreExactButIgnoreCase)
{
    std::unique_ptr<ManagedObjectContext> worker = newContext();
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::ingredientTrieForContext(worker.get());
    ASSERT_TRUE(trie);
    IngredientMO* lower = trie->ingredientObjectForKey(QStringLiteral("salt"));
    ASSERT_TRUE(lower);
    IngredientMO* capitals = newIngredient(QStringLiteral("Szechuan PEPPERCORNS"), worker.get());

    const struct {
        const char* key;
        IngredientMO* expected;
    } cases[] = {
        { "SALT", lower },
        { "Salt", lower },
        { "szechuan peppercorns", capitals },
        { "SZECHUAN PEPPERCORNS", capitals },
        { "salt ", nullptr },
        { " salt", nullptr },
        { "salts", nullptr },
        { "sal", nullptr },
        { "", nullptr },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trie->ingredientObjectForKey(QString::fromUtf8(c.key)), c.expected) << c.key;
        EXPECT_EQ(trie->containsIngredient(QString::fromUtf8(c.key)), c.expected != nullptr) << c.key;
    }
}

TEST_F(IngredientTrieTest, TheFirstObjectOfANameStaysAndRenamingMovesIt)
{
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::defaultIngredientTrie();
    ASSERT_TRUE(trie);
    IngredientMO* first = newIngredient(QStringLiteral("Urfa biber"));
    IngredientMO* second = newIngredient(QStringLiteral("urfa BIBER"));
    EXPECT_TRUE(trie->addIngredient(second));
    EXPECT_EQ(trie->ingredientObjectForKey(QStringLiteral("urfa biber")), first);

    // Renaming the duplicate leaves the kept object where it is.
    second->setName(QStringLiteral("Maraş biber"));
    EXPECT_EQ(trie->ingredientObjectForKey(QStringLiteral("urfa biber")), first);
    EXPECT_EQ(trie->ingredientObjectForKey(QStringLiteral("MARAŞ BIBER")), second);

    // Renaming the kept one leaves its old key without an object.
    first->setName(QStringLiteral("Isot"));
    EXPECT_FALSE(trie->containsIngredient(QStringLiteral("urfa biber")));
    ASSERT_TRUE(trie->bucketForIngredient(QStringLiteral("urfa biber")));
    EXPECT_FALSE(trie->bucketForIngredient(QStringLiteral("urfa biber"))->objectValue().isValid());
    EXPECT_EQ(trie->ingredientObjectForKey(QStringLiteral("ISOT")), first);

    // A later ingredient of the old name takes the empty key.
    IngredientMO* third = newIngredient(QStringLiteral("urfa biber"));
    EXPECT_EQ(trie->ingredientObjectForKey(QStringLiteral("Urfa Biber")), third);
}

TEST_F(IngredientTrieTest, AddingANameMakesOneIngredientInTheTriesContext)
{
    std::unique_ptr<ManagedObjectContext> worker = newContext();
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::ingredientTrieForContext(worker.get());
    ASSERT_TRUE(trie);
    EXPECT_EQ(IngredientTrie::managedObjectContextForTrie(trie.get()), worker.get());
    const qsizetype before = worker->insertedObjects().size();

    EXPECT_TRUE(trie->addIngredient(QStringLiteral("Yuzu kosho")));
    EXPECT_TRUE(trie->addIngredient(QStringLiteral("YUZU KOSHO")));
    EXPECT_TRUE(trie->addIngredient(QStringLiteral("salt")));
    EXPECT_EQ(worker->insertedObjects().size(), before + 1);
    IngredientMO* yuzu = trie->ingredientObjectForKey(QStringLiteral("yuzu kosho"));
    ASSERT_TRUE(yuzu);
    EXPECT_EQ(yuzu->managedObjectContext(), worker.get());
    EXPECT_EQ(yuzu->name(), QStringLiteral("Yuzu kosho"));
    // The main context knows nothing of it.
    EXPECT_TRUE(ingredientsNamed(QStringLiteral("yuzu kosho")).isEmpty());
}

TEST_F(IngredientTrieTest, TheMainContextsTrieIsTheDefaultTrie)
{
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::defaultIngredientTrie();
    ASSERT_TRUE(trie);
    EXPECT_EQ(IngredientTrie::ingredientTrieForContext(context.get()), trie);
    EXPECT_EQ(IngredientTrie::defaultIngredientTrie(), trie);
    EXPECT_EQ(IngredientTrie::managedObjectContextForTrie(trie.get()), context.get());

    IngredientTrie::rebuildIngredientTries();
    EXPECT_EQ(IngredientTrie::managedObjectContextForTrie(trie.get()), nullptr);
    const std::shared_ptr<IngredientTrie> rebuilt = IngredientTrie::defaultIngredientTrie();
    ASSERT_TRUE(rebuilt);
    EXPECT_NE(rebuilt, trie);
    // The rebuilt trie holds the same objects: the fill found them in the context.
    EXPECT_EQ(rebuilt->ingredientObjectForKey(QStringLiteral("salt")),
        trie->ingredientObjectForKey(QStringLiteral("salt")));
}

TEST_F(IngredientTrieTest, TheDefaultTrieIsForTheMainThreadOnly)
{
    Log::Capture capture;
    std::shared_ptr<IngredientTrie> fromWorker = std::make_shared<IngredientTrie>();
    std::thread worker([&] { fromWorker = IngredientTrie::defaultIngredientTrie(); });
    worker.join();
    EXPECT_EQ(fromWorker, nullptr);
    EXPECT_TRUE(capture.contains(
        QStringLiteral("+[IngredientTrie defaultIngredientTrie]: called from non-main thread.")));
}

TEST_F(IngredientTrieTest, AFailedFillIsPresentedAndNotKept)
{
    // A store whose model has no Ingredient entity: the fill's fetch fails.
    QString message;
    std::unique_ptr<ManagedObjectModel> bare = ManagedObjectModel::modelWithJSON(
        R"({"entities": [{"name": "Note", "attributes": [{"name": "text", "type": "string"}]}]})", &message);
    ASSERT_TRUE(bare) << message.toStdString();
    PersistentStoreCoordinator bareCoordinator(bare.get());
    Error error;
    ASSERT_TRUE(bareCoordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType,
        QString(), dir.filePath(QStringLiteral("Bare.recipedb")), {}, &error));
    auto bareContext = std::make_unique<ManagedObjectContext>();
    bareContext->setPersistentStoreCoordinator(&bareCoordinator);

    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::ingredientTrieForContext(bareContext.get());
    ASSERT_TRUE(trie);
    EXPECT_TRUE(trie->isEmpty());
    EXPECT_EQ(services.presentedErrors.size(), 1);
    EXPECT_EQ(IngredientTrie::managedObjectContextForTrie(trie.get()), nullptr);
    EXPECT_NE(IngredientTrie::ingredientTrieForContext(bareContext.get()), trie);

    // The default trie on such a main context: logged, nil, and tried again next time.
    services.context = bareContext.get();
    Log::Capture capture;
    EXPECT_EQ(IngredientTrie::defaultIngredientTrie(), nullptr);
    EXPECT_TRUE(capture.contains(QStringLiteral("Unable to create the default ingredient lookup Trie")));
    services.context = context.get();
    EXPECT_TRUE(IngredientTrie::defaultIngredientTrie());
    bareContext.reset();
}

TEST_F(IngredientTrieTest, OnlyIngredientsGoIntoTheTrie)
{
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::defaultIngredientTrie();
    ASSERT_TRUE(trie);
    ManagedObject* category = insert(QStringLiteral("Category"));
    category->setValueForKey(QStringLiteral("Soups"), QStringLiteral("name"));
    Log::Capture capture;
    EXPECT_FALSE(trie->addIngredient(category));
    EXPECT_FALSE(trie->addIngredient(static_cast<ManagedObject*>(nullptr)));
    EXPECT_FALSE(trie->containsIngredient(category));
    EXPECT_EQ(capture.lines().count(QStringLiteral("invalid object added to ingredient trie")), 3);
    EXPECT_FALSE(trie->containsIngredient(QStringLiteral("Soups")));
}

// A deleted ingredient is no answer: a line linked to it would lose its ingredient on save.
TEST_F(IngredientTrieTest, DeletedIngredientsAreNotAnswered)
{
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::defaultIngredientTrie();
    ASSERT_TRUE(trie);
    IngredientMO* saffron = newIngredient(QStringLiteral("Saffron threads"));
    save();
    context->deleteObject(saffron);
    EXPECT_FALSE(trie->containsIngredient(QStringLiteral("saffron threads")));
    EXPECT_EQ(trie->ingredientObjectForKey(QStringLiteral("saffron threads")), nullptr);
    EXPECT_TRUE(trie->addIngredient(QStringLiteral("saffron threads")));
    IngredientMO* replacement = trie->ingredientObjectForKey(QStringLiteral("saffron threads"));
    ASSERT_TRUE(replacement);
    EXPECT_NE(replacement, saffron);
}

TEST_F(IngredientTrieTest, NamesOfMoreThan1024CharactersAreCut)
{
    ASSERT_TRUE(IngredientTrie::defaultIngredientTrie());
    Log::Capture capture;
    EXPECT_EQ(newIngredient(QString(1024, u'a'))->name().size(), 1024);
    EXPECT_FALSE(capture.contains(QStringLiteral("Truncating long ingredient name")));
    IngredientMO* cut = newIngredient(QString(1025, u'b'));
    EXPECT_EQ(cut->name(), QString(1023, u'b'));
    EXPECT_TRUE(capture.contains(QStringLiteral("Truncating long ingredient name: ")));
    EXPECT_EQ(IngredientTrie::defaultIngredientTrie()->ingredientObjectForKey(QString(1023, u'B')), cut);
}

TEST_F(IngredientTrieTest, FindOrCreateAsksTheTrieWhenLookupsAreOn)
{
    defaults.defaults().setBool(true, KRIngredientTrieLookups);
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::defaultIngredientTrie();
    ASSERT_TRUE(trie);
    ManagedObject* salt = BaseMOAdditions::findOrCreateManagedObjectForName(
        QStringLiteral("SALT"), QStringLiteral("Ingredient"), context.get());
    EXPECT_EQ(salt, trie->ingredientObjectForKey(QStringLiteral("salt")));

    ManagedObject* made = BaseMOAdditions::findOrCreateManagedObjectForName(
        QStringLiteral("Black garlic"), QStringLiteral("Ingredient"), context.get());
    ASSERT_TRUE(made);
    EXPECT_EQ(trie->ingredientObjectForKey(QStringLiteral("black garlic")), made);
    EXPECT_EQ(BaseMOAdditions::findOrCreateManagedObjectForName(
                  QStringLiteral("black GARLIC"), QStringLiteral("Ingredient"), context.get()),
        made);
}

// Free text is searched for known ingredients in the main context's vocabulary.
TEST_F(IngredientTrieTest, TheDefaultParsingEngineKnowsTheMainContextsIngredients)
{
    // The default engine is made once per process, with the modifiers launch reads.
    services.modifiers = UnitsEngine::simpleMeasuresFromFile(QStringLiteral(":/modifiers.txt"));
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::defaultIngredientTrie();
    ASSERT_TRUE(trie);
    EXPECT_EQ(ParsingEngine::defaultParsingEngine().ingredientTrie(), trie);
    IngredientMO* blackGarlic = trie->ingredientObjectForKey(QStringLiteral("black garlic"));
    ASSERT_TRUE(blackGarlic);
    EXPECT_TRUE(ParsingEngine::ingredientsInString(QStringLiteral("3 cloves Black Garlic, sliced"))
                    .contains(blackGarlic));

    // Without a main context there is nothing to find, and nothing is logged.
    services.context = nullptr;
    Log::Capture capture;
    EXPECT_EQ(ParsingEngine::defaultParsingEngine().ingredientTrie(), nullptr);
    EXPECT_TRUE(capture.lines().isEmpty());
    services.context = context.get();
}

TEST_F(IngredientTrieTest, AContextThatGoesAwayTakesItsTrieAlong)
{
    std::unique_ptr<ManagedObjectContext> worker = newContext();
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::ingredientTrieForContext(worker.get());
    ASSERT_TRUE(trie);
    worker.reset();
    EXPECT_EQ(IngredientTrie::managedObjectContextForTrie(trie.get()), nullptr);

    // Likewise the main context's.
    const std::shared_ptr<IngredientTrie> main = IngredientTrie::defaultIngredientTrie();
    ASSERT_TRUE(main);
    openStack();
    EXPECT_EQ(IngredientTrie::managedObjectContextForTrie(main.get()), nullptr);
    const std::shared_ptr<IngredientTrie> fresh = IngredientTrie::defaultIngredientTrie();
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh, main);
    EXPECT_EQ(fresh->ingredientObjectForKey(QStringLiteral("salt"))->managedObjectContext(), context.get());
}

// Workers fill, add to and look up their own tries while the main thread uses the default trie
// and rebuilds every trie; run under the address sanitizer, a trie freed under a user shows.
TEST_F(IngredientTrieTest, WorkersUseTheirTriesWhileTheMainThreadRebuilds)
{
    ASSERT_TRUE(IngredientTrie::defaultIngredientTrie());
    constexpr int workerCount = 2;
    constexpr int namesPerWorker = 100;
    constexpr int rebuildCount = 3;
    std::atomic<int> finished { 0 };
    std::atomic<int> failures { 0 };
    auto work = [&](int number) {
        auto own = newContext();
        for (int round = 0; round < 2; ++round) {
            const std::shared_ptr<IngredientTrie> trie = IngredientTrie::ingredientTrieForContext(own.get());
            if (!trie || !trie->containsIngredient(QStringLiteral("salt")))
                ++failures;
            for (int i = 0; i < namesPerWorker; ++i) {
                const QString name = QStringLiteral("worker %1 spice %2").arg(number).arg(i);
                trie->addIngredient(name);
                IngredientMO* found = trie->ingredientObjectForKey(name.toUpper());
                if (!found || found->managedObjectContext() != own.get())
                    ++failures;
            }
            IngredientTrie::removeIngredientTrieForContext(own.get());
        }
        own.reset();
        ++finished;
    };
    std::vector<std::thread> workers;
    for (int i = 0; i < workerCount; ++i)
        workers.emplace_back(work, i);
    int rebuilds = 0;
    while (finished.load() < workerCount) {
        const std::shared_ptr<IngredientTrie> trie = IngredientTrie::defaultIngredientTrie();
        if (!trie || !trie->containsIngredient(QStringLiteral("butter")))
            ++failures;
        if (rebuilds < rebuildCount) {
            IngredientTrie::rebuildIngredientTries();
            ++rebuilds;
        }
    }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(rebuilds, 0);
}
