#include "PredicateSqlCompiler.h"
#include "StoreFixture.h"

#include <QDateTime>
#include <QTimeZone>
#include <functional>

// Fetches compile what they can to SQL; the answers must be those of the in-memory evaluator.
class SqlPredicateTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        const QStringList categoryNames { QStringLiteral("Desserts"), QStringLiteral("déjeuner"),
            QStringLiteral("DESSERTS") };
        QList<ManagedObject*> categories;
        for (const QString& name : categoryNames) {
            ManagedObject* c = insert(QStringLiteral("Category"));
            c->setValueForKey(name, QStringLiteral("name"));
            categories.append(c);
        }
        ManagedObject* library = insert(QStringLiteral("ManualCollection"));
        library->setValueForKey(QStringLiteral("library"), QStringLiteral("kind"));
        ManagedObject* cache = insert(QStringLiteral("ManualCollection"));
        cache->setValueForKey(QStringLiteral("cache"), QStringLiteral("kind"));
        const QVariantList names { QStringLiteral("Crème brûlée"), QStringLiteral("creme BRULEE"),
            QStringLiteral("Salmon"), QStringLiteral("salad"), QStringLiteral("Ægg"), QVariant(),
            QStringLiteral(""), QString::fromUtf16(u"a\U0001F600z"), QStringLiteral("a\uFFFDz"),
            QStringLiteral("Zebra cake"), QStringLiteral("zebra"), QStringLiteral("ab*c") };
        for (int i = 0; i < names.size(); ++i) {
            ManagedObject* r = insert(QStringLiteral("Recipe"));
            r->setValueForKey(names.at(i), QStringLiteral("name"));
            if (i % 4 != 3)
                r->setValueForKey(i % 5, QStringLiteral("rating"));
            r->setValueForKey(i * 0.5, QStringLiteral("cookTime"));
            r->setValueForKey(i % 2 == 0, QStringLiteral("favorite"));
            if (i % 3 != 0)
                r->setValueForKey(
                    QDateTime::fromMSecsSinceEpoch(1600000000000LL + i * 86400000LL, QTimeZone::utc()),
                    QStringLiteral("dateAdded"));
            if (i % 4 != 0)
                r->setValueForKey(QVariant::fromValue(categories.at(i % 3)), QStringLiteral("category"));
            for (int j = 0; j < i % 4; ++j) {
                ManagedObject* line = insert(QStringLiteral("Line"));
                line->setValueForKey(j == 0 ? QStringLiteral("Sugar")
                        : j == 1            ? QStringLiteral("sügar")
                                            : QStringLiteral("egg"),
                    QStringLiteral("text"));
                line->setValueForKey(QVariant::fromValue(r), QStringLiteral("recipe"));
            }
            if (i % 3 == 0)
                r->mutableSetValueForKey(QStringLiteral("collections")).addObject(library);
            if (i % 5 == 0)
                r->mutableSetValueForKey(QStringLiteral("collections")).addObject(cache);
            recipes.append(r);
        }
        ASSERT_TRUE(save());
    }

    struct Case {
        QString format;
        QVariantList args;
        bool exact; // compiles to SQL as a whole
    };

    QList<Case> cases() const
    {
        const QDateTime middle
            = QDateTime::fromMSecsSinceEpoch(1600000000000LL + 5 * 86400000LL, QTimeZone::utc());
        return {
            { QStringLiteral("name == %@"), { QStringLiteral("Salmon") }, true },
            { QStringLiteral("name ==[c] %@"), { QStringLiteral("SALMON") }, true },
            { QStringLiteral("name ==[cd] %@"), { QStringLiteral("CREME brulee") }, true },
            { QStringLiteral("name != %@"), { QStringLiteral("Salmon") }, true },
            { QStringLiteral("NOT (name < %@)"), { QStringLiteral("b") }, true },
            { QStringLiteral("name < %@"), { QStringLiteral("b") }, true },
            { QStringLiteral("name > %@"), { QStringLiteral("a\uFFFF") }, true },
            { QStringLiteral("name >=[c] %@"), { QStringLiteral("s") }, true },
            { QStringLiteral("name == nil"), {}, true },
            { QStringLiteral("name != nil"), {}, true },
            { QStringLiteral("name CONTAINS[cd] %@"), { QStringLiteral("ru") }, true },
            { QStringLiteral("name CONTAINS %@"), { QStringLiteral("") }, true },
            { QStringLiteral("name BEGINSWITH[c] %@"), { QStringLiteral("SAL") }, true },
            { QStringLiteral("name ENDSWITH[cd] %@"), { QStringLiteral("E") }, true },
            { QStringLiteral("name LIKE[cd] %@"), { QStringLiteral("*rul*") }, true },
            { QStringLiteral("name LIKE[c] %@"), { QStringLiteral("zebra*") }, true },
            { QStringLiteral("name LIKE %@"), { QStringLiteral("*a") }, true },
            { QStringLiteral("name LIKE %@"), { QStringLiteral("*") }, true },
            { QStringLiteral("name LIKE %@"), { QStringLiteral("a?z") }, false },
            { QStringLiteral("name LIKE %@"), { QStringLiteral("ab\\\\*c") }, false },
            { QStringLiteral("name MATCHES %@"), { QStringLiteral("[sS].*") }, false },
            { QStringLiteral("name IN %@"),
                { QVariantList { QStringLiteral("salad"), QStringLiteral("zebra") } }, true },
            { QStringLiteral("name IN[c] %@"), { QVariantList { QStringLiteral("SALAD") } }, true },
            { QStringLiteral("rating == 2"), {}, true },
            { QStringLiteral("rating != 2"), {}, true },
            { QStringLiteral("rating == nil"), {}, true },
            { QStringLiteral("rating BETWEEN {1, 3}"), {}, true },
            { QStringLiteral("rating >= 2.5"), {}, true },
            { QStringLiteral("rating == %@"), { QStringLiteral("2") }, false },
            { QStringLiteral("cookTime > 2 AND favorite == YES"), {}, true },
            { QStringLiteral("favorite == NO OR rating == 4"), {}, true },
            { QStringLiteral("dateAdded > %@"), { middle }, true },
            { QStringLiteral("dateAdded == nil"), {}, true },
            { QStringLiteral("category.name ==[cd] %@"), { QStringLiteral("DEJEUNER") }, true },
            { QStringLiteral("category.name BEGINSWITH %@"), { QStringLiteral("D") }, true },
            { QStringLiteral("category == nil"), {}, true },
            { QStringLiteral("NOT category.name == %@"), { QStringLiteral("Desserts") }, true },
            { QStringLiteral("category.name != %@"), { QStringLiteral("Desserts") }, true },
            { QStringLiteral("category.name IN %@"),
                { QVariantList { QStringLiteral("Desserts"), QStringLiteral("déjeuner") } }, true },
            { QStringLiteral("category.name LIKE[cd] %@"), { QStringLiteral("*SS*") }, true },
            { QStringLiteral("NOT category.name CONTAINS %@"), { QStringLiteral("ss") }, true },
            { QStringLiteral("ANY ingredients.recipe.name BEGINSWITH[c] %@"), { QStringLiteral("s") }, true },
            { QStringLiteral("ANY ingredients.recipe.category.name ==[cd] %@"),
                { QStringLiteral("DEJEUNER") }, true },
            { QStringLiteral("NONE ingredients.recipe.name == %@"), { QStringLiteral("Salmon") }, true },
            { QStringLiteral("ANY ingredients.recipe.name IN %@"),
                { QVariantList { QStringLiteral("salad"), QStringLiteral("Salmon") } }, true },
            { QStringLiteral("ANY ingredients.text ==[c] %@"), { QStringLiteral("SUGAR") }, true },
            { QStringLiteral("ANY ingredients.text ==[cd] %@"), { QStringLiteral("SUGAR") }, true },
            { QStringLiteral("NONE ingredients.text == %@"), { QStringLiteral("egg") }, true },
            { QStringLiteral("ALL ingredients.text == %@"), { QStringLiteral("Sugar") }, false },
            { QStringLiteral("ingredients.@count == 2"), {}, true },
            { QStringLiteral("ingredients.@count > 0 AND name BEGINSWITH %@"), { QStringLiteral("S") },
                true },
            { QStringLiteral("ANY collections.kind != %@"), { QStringLiteral("cache") }, true },
            { QStringLiteral(
                  "ANY collections.kind == %@ AND (name CONTAINS[cd] %@ OR category.name LIKE[cd] %@)"),
                { QStringLiteral("library"), QStringLiteral("e"), QStringLiteral("*dej*") }, true },
            { QStringLiteral("name CONTAINS[cd] %@ AND name MATCHES %@"),
                { QStringLiteral("a"), QStringLiteral(".*a.*") }, false },
            { QStringLiteral("TRUEPREDICATE"), {}, true },
            { QStringLiteral("FALSEPREDICATE"), {}, true },
        };
    }

    // The answer of the evaluator alone, over every recipe of the context.
    QList<ManagedObject*> inMemory(const Predicate& predicate)
    {
        FetchRequest all = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
        QList<ManagedObject*> result;
        const QList<ManagedObject*> everything
            = context->executeFetchRequest(all).value_or(QList<ManagedObject*>());
        for (ManagedObject* object : everything) {
            if (predicate.evaluateWithObject(QVariant::fromValue(object)))
                result.append(object);
        }
        return result;
    }

    QList<ManagedObject*> fetched(const Predicate& predicate)
    {
        FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
        request.setPredicate(predicate);
        auto result = context->executeFetchRequest(request);
        EXPECT_TRUE(result);
        return result ? *result : QList<ManagedObject*>();
    }

    static QSet<ManagedObject*> asSet(const QList<ManagedObject*>& list)
    {
        return QSet<ManagedObject*>(list.begin(), list.end());
    }

    QList<ManagedObject*> recipes;
};

TEST_F(SqlPredicateTest, SqlAndMemoryGiveTheSameObjects)
{
    const EntityDescription* recipe = model->entityNamed(QStringLiteral("Recipe"));
    for (const Case& c : cases()) {
        QString error;
        std::optional<Predicate> predicate = Predicate::predicateWithFormat(c.format, c.args, &error);
        ASSERT_TRUE(predicate) << c.format.toStdString() << ": " << error.toStdString();
        const PredicateSqlCompiler::Result compiled
            = PredicateSqlCompiler(*store, recipe).compile(*predicate);
        EXPECT_EQ(compiled.exact, c.exact) << c.format.toStdString() << " -> " << compiled.sql.toStdString();
        const QList<ManagedObject*> expected = inMemory(*predicate);
        EXPECT_EQ(asSet(fetched(*predicate)), asSet(expected))
            << c.format.toStdString() << " -> " << compiled.sql.toStdString();
        FetchRequest count = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
        count.setPredicate(*predicate);
        EXPECT_EQ(context->countForFetchRequest(count), expected.size()) << c.format.toStdString();
    }
}

TEST_F(SqlPredicateTest, UnsavedChangesAreSeenByEveryPath)
{
    recipes.at(2)->setValueForKey(QStringLiteral("Renamed"), QStringLiteral("name"));
    recipes.at(3)->setValueForKey(QStringLiteral("Salmon too"), QStringLiteral("name"));
    ManagedObject* line = recipes.at(1)->objectsForKey(QStringLiteral("ingredients")).value(0);
    ASSERT_TRUE(line);
    line->setValueForKey(QStringLiteral("pepper"), QStringLiteral("text"));
    ManagedObject* fresh = insert(QStringLiteral("Recipe"));
    fresh->setValueForKey(QStringLiteral("salmon fresh"), QStringLiteral("name"));
    context->deleteObject(recipes.at(9));
    for (const Case& c : cases()) {
        std::optional<Predicate> predicate = Predicate::predicateWithFormat(c.format, c.args);
        ASSERT_TRUE(predicate);
        const QList<ManagedObject*> expected = inMemory(*predicate);
        EXPECT_EQ(asSet(fetched(*predicate)), asSet(expected)) << c.format.toStdString();
        FetchRequest count = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
        count.setPredicate(*predicate);
        EXPECT_EQ(context->countForFetchRequest(count), expected.size()) << c.format.toStdString();
    }
}

// Changes that reach a recipe only through a relationship: the store's rows no longer answer
// for it, yet the rest of the library is still judged by SQL.
TEST_F(SqlPredicateTest, UnsavedChangesThroughRelationshipsAreSeen)
{
    auto collection = [this](const QString& kind) -> ManagedObject* {
        for (ManagedObject* c : recipes.at(0)->objectsForKey(QStringLiteral("collections"))) {
            if (c->valueForKey(QStringLiteral("kind")).toString() == kind)
                return c;
        }
        return nullptr;
    };
    const QList<std::pair<const char*, std::function<void()>>> changes {
        { "a line's text",
            [&] {
                recipes.at(5)
                    ->objectsForKey(QStringLiteral("ingredients"))
                    .value(0)
                    ->setValueForKey(QStringLiteral("egg"), QStringLiteral("text"));
            } },
        { "a line moved to another recipe",
            [&] {
                recipes.at(7)
                    ->objectsForKey(QStringLiteral("ingredients"))
                    .value(0)
                    ->setValueForKey(QVariant::fromValue(recipes.at(4)), QStringLiteral("recipe"));
            } },
        { "a new line",
            [&] {
                ManagedObject* line = insert(QStringLiteral("Line"));
                line->setValueForKey(QStringLiteral("Sugar"), QStringLiteral("text"));
                line->setValueForKey(QVariant::fromValue(recipes.at(8)), QStringLiteral("recipe"));
            } },
        { "a deleted line",
            [&] {
                context->deleteObject(recipes.at(6)->objectsForKey(QStringLiteral("ingredients")).value(1));
            } },
        { "a category renamed",
            [&] {
                recipes.at(1)
                    ->objectForKey(QStringLiteral("category"))
                    ->setValueForKey(QStringLiteral("Salads"), QStringLiteral("name"));
            } },
        { "a recipe renamed, seen through its own lines",
            [&] { recipes.at(7)->setValueForKey(QStringLiteral("Salmon"), QStringLiteral("name")); } },
        { "a collection's kind",
            [&] {
                collection(QStringLiteral("cache"))
                    ->setValueForKey(QStringLiteral("library"), QStringLiteral("kind"));
            } },
        { "a recipe added to a collection",
            [&] {
                recipes.at(1)
                    ->mutableSetValueForKey(QStringLiteral("collections"))
                    .addObject(collection(QStringLiteral("library")));
            } },
    };
    for (const auto& [what, change] : changes) {
        change();
        for (const Case& c : cases()) {
            std::optional<Predicate> predicate = Predicate::predicateWithFormat(c.format, c.args);
            ASSERT_TRUE(predicate);
            EXPECT_EQ(asSet(fetched(*predicate)), asSet(inMemory(*predicate)))
                << what << ": " << c.format.toStdString();
        }
        context->rollback();
    }
}

TEST_F(SqlPredicateTest, SqlOrderingMatchesSortDescriptors)
{
    const QList<QList<SortDescriptor>> orders {
        { SortDescriptor(QStringLiteral("name")) },
        { SortDescriptor(QStringLiteral("name"), false) },
        { SortDescriptor(QStringLiteral("name"), true, SortDescriptor::Selector::CaseInsensitiveCompare) },
        { SortDescriptor(QStringLiteral("rating"), false), SortDescriptor(QStringLiteral("cookTime")) },
        { SortDescriptor(QStringLiteral("dateAdded")), SortDescriptor(QStringLiteral("name")) },
    };
    for (const QList<SortDescriptor>& order : orders) {
        EXPECT_FALSE(store->orderByFor(model->entityNamed(QStringLiteral("Recipe")), order).isEmpty());
        FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
        request.setSortDescriptors(order);
        const QList<ManagedObject*> bySql
            = context->executeFetchRequest(request).value_or(QList<ManagedObject*>());
        QVariantList objects;
        for (ManagedObject* object : bySql)
            objects.append(QVariant::fromValue(object));
        const QVariantList inMemory = SortDescriptor::sortedArrayUsingDescriptors(objects, order);
        QList<ManagedObject*> expected;
        for (const QVariant& v : inMemory)
            expected.append(v.value<ManagedObject*>());
        // Ties may differ in order only between equal keys; compare the keys.
        ASSERT_EQ(bySql.size(), expected.size());
        for (qsizetype i = 0; i < bySql.size(); ++i) {
            for (const SortDescriptor& descriptor : order)
                EXPECT_EQ(descriptor.compareObject(
                              QVariant::fromValue(bySql.at(i)), QVariant::fromValue(expected.at(i))),
                    0)
                    << descriptor.key().toStdString() << " at " << i;
        }
    }
}

// SQLite's parser has a fixed depth; predicates nested deeper are still answered, in memory.
TEST_F(SqlPredicateTest, DeeplyNestedPredicatesAreAnsweredByFetchAndCount)
{
    const auto nots = [](int depth) {
        return QStringLiteral("NOT ").repeated(depth) + QStringLiteral("(name ==[c] 'salmon')");
    };
    const auto ors = [](int depth) {
        QString text = QStringLiteral("rating == 1");
        for (int i = 0; i < depth; ++i)
            text = QStringLiteral("(name == 'Salmon' OR (%1)) AND cookTime >= 0").arg(text);
        return text;
    };
    const QStringList formats = { nots(15), nots(16), nots(64), ors(45), ors(60),
        QStringLiteral("ANY ingredients.text ==[c] 'egg' AND (") + nots(40) + QStringLiteral(")") };
    for (bool dirty : { false, true }) {
        if (dirty)
            recipes.at(2)->setValueForKey(QStringLiteral("SALMON"), QStringLiteral("name"));
        for (const QString& format : formats) {
            SCOPED_TRACE(testing::Message() << (dirty ? "unsaved changes: " : "") << format.toStdString());
            QString parseError;
            std::optional<Predicate> predicate = Predicate::predicateWithFormat(format, {}, &parseError);
            ASSERT_TRUE(predicate) << parseError.toStdString();
            FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
            request.setPredicate(*predicate);
            Error error;
            const std::optional<QList<ManagedObject*>> result = context->executeFetchRequest(request, &error);
            ASSERT_TRUE(result) << error.localizedDescription.toStdString();
            const QList<ManagedObject*> expected = inMemory(*predicate);
            EXPECT_EQ(asSet(*result), asSet(expected));
            EXPECT_EQ(context->countForFetchRequest(request, &error), expected.size())
                << error.localizedDescription.toStdString();
        }
    }
}
