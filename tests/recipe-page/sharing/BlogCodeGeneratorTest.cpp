// The blog template engine: single-field tags, list groups, escaping, and what it never does
// (loop on a value that spells a tag, read "$1" as a reference, leave a line break).
#include "BlogCodeGenerator.h"

#include "CardFixture.h"
#include "ImageMO.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

namespace
{

class BlogCodeGeneratorTest : public CardFixture
{
protected:
    RecipeMO* soup()
    {
        RecipeMO* recipe = bareRecipe(QStringLiteral("Onion Soup"));
        recipe->setValueForKey(QStringLiteral("A French classic"), QStringLiteral("recipeDescription"));
        recipe->setValueForKey(QStringLiteral("1 hour"), QStringLiteral("totalTime"));
        recipe->setValueForKey(QStringLiteral("4 bowls"), QStringLiteral("yield"));
        recipe->setValueForKey(4, QStringLiteral("rating"));
        recipe->setCuisine(QStringLiteral("French"));
        recipe->setKitchen(QStringLiteral("Grandma"));
        addIngredient(recipe, 2, {}, {}, {}, QStringLiteral("butter"), QStringLiteral("2 tbsp butter"));
        addIngredient(recipe, 1, {}, {}, {}, QStringLiteral("onion"), QStringLiteral("4 onions"));
        addItem(recipe, QStringLiteral("Direction"), 3, QStringLiteral("Serve"));
        addItem(recipe, QStringLiteral("Direction"), 1, QStringLiteral("Slice"));
        addItem(recipe, QStringLiteral("Direction"), 2, QStringLiteral("Brown"));
        addItem(recipe, QStringLiteral("Note"), 1, QString());
        return recipe;
    }

    QString generate(ManagedObject* recipe, const QString& htmlTemplate, QString* error = nullptr)
    {
        const std::optional<QString> code = generator.codeForRecipe(recipe, htmlTemplate, error);
        return code.value_or(QStringLiteral("<none>"));
    }

    BlogCodeGenerator generator;
};

struct TemplateCase {
    const char* what;
    const char* htmlTemplate;
    const char* expected;
};

TEST_F(BlogCodeGeneratorTest, TemplateTable)
{
    RecipeMO* recipe = soup();
    const TemplateCase cases[] = {
        { "single fields", "<h1>[[Title]]</h1>\n<p>[[Description]]</p>",
            "<h1>Onion Soup</h1><p>A French classic</p>" },
        { "every occurrence on a line", "[[Title]] - [[Title]]", "Onion Soup - Onion Soup" },
        { "fields of related objects", "[[From]]|[[Cuisine]]|[[Time]]|[[Yield]]",
            "Grandma|French|1 hour|4 bowls" },
        { "rating", "[[Rating]]", "4 of 5 stars" },
        { "missing category", "<td>[[Category]]</td>", "<td>&nbsp;</td>" },
        { "unknown tag", "<td>[[Calories]]</td>", "<td>&nbsp;</td>" },
        { "group in a list item, index order", "<ol>\n  <li>[[%Directions%]]</li>\n</ol>",
            "<ol><li>Slice</li><li>Brown</li><li>Serve</li></ol>" },
        { "ingredient lines", "<li>[[%Ingredients%]]</li>", "<li>4 onions</li><li>2 tbsp butter</li>" },
        { "empty placeholder items are left out", "<ul>\n<li>[[%Notes%]]</li>\n</ul>", "<ul></ul>" },
        { "group and field on one line", "<li>[[%Directions%]] ([[Title]])</li>",
            "<li>Slice (Onion Soup)</li><li>Brown (Onion Soup)</li><li>Serve (Onion Soup)</li>" },
        { "group twice on one line", "<li>[[%Directions%]]/[[%Directions%]]</li>",
            "<li>Slice/Slice</li><li>Brown/Brown</li><li>Serve/Serve</li>" },
        { "lines trimmed of blanks and tabs, no newlines or tabs left",
            "\t  <b>[[Title]]</b>  \t\r\n\tplain\t\n", "<b>Onion Soup</b>plain" },
        { "template without tags", "<p>\n</p>", "<p></p>" },
    };
    for (const TemplateCase& c : cases)
        EXPECT_EQ(generate(recipe, QString::fromUtf8(c.htmlTemplate)), QString::fromUtf8(c.expected))
            << c.what;
    EXPECT_EQ(generator.cachedCode(), QStringLiteral("<p></p>"));
    EXPECT_EQ(generate(recipe, QStringLiteral("")), QString());
}

struct ValueCase {
    const char* what;
    const char* name;
    const char* expected;
};

TEST_F(BlogCodeGeneratorTest, ValuesAreEscapedAndTakenLiterally)
{
    const ValueCase cases[] = {
        { "markup", "<script>alert('x')</script> & \"more\"",
            "&lt;script&gt;alert('x')&lt;/script&gt; &amp; &quot;more&quot;" },
        { "dollar and digit", "Costs $1 and \\2", "Costs $1 and \\2" },
        { "its own tag", "[[Title]]", "&#91;&#91;Title&#93;&#93;" },
        { "another tag", "[[%Directions%]] [[Rating]]",
            "&#91;&#91;%Directions%&#93;&#93; &#91;&#91;Rating&#93;&#93;" },
        { "line breaks", "one\ntwo", "one<br>two" },
    };
    for (const ValueCase& c : cases) {
        RecipeMO* recipe = bareRecipe(QString::fromUtf8(c.name));
        EXPECT_EQ(generate(recipe, QStringLiteral("<h1>[[Title]]</h1>")),
            QStringLiteral("<h1>%1</h1>").arg(QString::fromUtf8(c.expected)))
            << c.what;
    }
}

TEST_F(BlogCodeGeneratorTest, ItemTextsAreEscapedToo)
{
    RecipeMO* recipe = bareRecipe(QStringLiteral("Pie"));
    addItem(recipe, QStringLiteral("Direction"), 1, QStringLiteral("Bake at <200> [[Title]]"));
    EXPECT_EQ(generate(recipe, QStringLiteral("<li>[[%Directions%]]</li>")),
        QStringLiteral("<li>Bake at &lt;200&gt; &#91;&#91;Title&#93;&#93;</li>"));
}

TEST_F(BlogCodeGeneratorTest, AnUnknownGroupIsAnErrorNotACrash)
{
    RecipeMO* recipe = soup();
    for (const char* group : { "[[%Collections%]]", "[[%Bogus%]]", "[[%image%]]" }) {
        QString error;
        EXPECT_FALSE(generator.codeForRecipe(recipe, QString::fromLatin1(group), &error).has_value())
            << group;
        EXPECT_TRUE(error.contains(QString::fromLatin1(group))) << error.toStdString();
    }
}

TEST_F(BlogCodeGeneratorTest, NothingWithoutRecipeOrTemplate)
{
    EXPECT_FALSE(generator.codeForRecipe(nullptr, QStringLiteral("[[Title]]")).has_value());
    EXPECT_FALSE(generator.codeForRecipe(soup(), QString()).has_value());
}

TEST_F(BlogCodeGeneratorTest, ThePictureIsEmbeddedUnlessItIsTheDefaultOne)
{
    RecipeMO* recipe = soup();
    auto* image = dynamic_cast<ImageMO*>(insert(QStringLiteral("Image")));
    ASSERT_TRUE(image);
    recipe->setValueForKey(QVariant::fromValue<ManagedObject*>(image), QStringLiteral("image"));
    ASSERT_TRUE(image->isDefaultImage());
    EXPECT_EQ(generate(recipe, QStringLiteral("<p>[[Image]]</p>")), QStringLiteral("<p>&nbsp;</p>"));

    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(image->setData(picture));
    const QString code = generate(recipe, QStringLiteral("<p>[[Image]]</p>"));
    const QString prefix = QStringLiteral(R"(<p><img src="data:image/jpeg;base64,)");
    ASSERT_TRUE(code.startsWith(prefix)) << code.left(80).toStdString();
    const qsizetype end = code.indexOf(u'"', prefix.size());
    const QImage embedded = QImage::fromData(
        QByteArray::fromBase64(code.mid(prefix.size(), end - prefix.size()).toLatin1()), "JPEG");
    EXPECT_FALSE(embedded.isNull());
    EXPECT_TRUE(code.endsWith(
        QStringLiteral(R"html(alt="Embedded Recipe Image (Unsupported on IE 7 and earlier)"></p>)html")));
}

TEST_F(BlogCodeGeneratorTest, TheProgramsTemplateUsesEveryTag)
{
    QFile file(QStringLiteral(":/blogtemplate.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString htmlTemplate = QString::fromUtf8(file.readAll());
    for (const char* tag :
        { "[[Title]]", "[[Description]]", "[[Time]]", "[[From]]", "[[Rating]]", "[[Yield]]", "[[Category]]",
            "[[Cuisine]]", "[[Image]]", "[[%Ingredients%]]", "[[%Directions%]]", "[[%Notes%]]" })
        EXPECT_TRUE(htmlTemplate.contains(QString::fromLatin1(tag))) << tag;
    const QString code = generate(soup(), htmlTemplate);
    EXPECT_FALSE(code.contains(QStringLiteral("[[")));
    EXPECT_FALSE(code.contains(u'\n'));
    EXPECT_TRUE(code.contains(QStringLiteral("<li style=\"margin-bottom: 0.5em;\">Slice</li>")));
}

} // namespace
