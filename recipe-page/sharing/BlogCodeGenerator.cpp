#include "BlogCodeGenerator.h"

#include "Base64.h"
#include "DirectionMO.h"
#include "ImageMO.h"
#include "NoteMO.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QRegularExpression>
#include <QStringList>

namespace
{

// A line holding a tag; the greedy start makes the tag the line's last one.
const QRegularExpression& tagPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^.*(?<tag>\[\[(?<name>[%\w]+)\]\]).*$)"), QRegularExpression::MultilineOption);
    return pattern;
}

const QRegularExpression& groupPattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"(^%(?<group>\w+)%$)"));
    return pattern;
}

QString trimmedOfBlanks(const QString& line)
{
    qsizetype start = 0;
    qsizetype end = line.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (start < end && blank(line.at(start)))
        ++start;
    while (end > start && blank(line.at(end - 1)))
        --end;
    return line.mid(start, end - start);
}

QString itemString(const ManagedObject* item)
{
    if (const auto* ingredient = dynamic_cast<const RecipeIngredientMO*>(item))
        return ingredient->string();
    if (const auto* direction = dynamic_cast<const DirectionMO*>(item))
        return direction->string();
    if (const auto* note = dynamic_cast<const NoteMO*>(item))
        return note->string();
    return {};
}

QString imageValue(ManagedObject* recipe)
{
    const auto* image
        = dynamic_cast<const ImageMO*>(recipe->valueForKey(QStringLiteral("image")).value<ManagedObject*>());
    if (!image || image->isDefaultImage())
        return {};
    const QImage thumbnail = image->thumbnail();
    if (thumbnail.isNull())
        return {};
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!thumbnail.save(&buffer, "JPEG", 80))
        return {};
    return QStringLiteral(
        R"html(<img src="data:image/jpeg;base64,%1" alt="Embedded Recipe Image (Unsupported on IE 7 and earlier)">)html")
        .arg(Base64::base64EncodedString(jpeg));
}

} // namespace

std::unique_ptr<BlogCodeGenerator> BlogCodeGenerator::codeGenerator()
{
    return std::make_unique<BlogCodeGenerator>();
}

QString BlogCodeGenerator::escapedValue(const QString& value)
{
    QString escaped = value.toHtmlEscaped();
    escaped.replace(u'[', QStringLiteral("&#91;"));
    escaped.replace(u']', QStringLiteral("&#93;"));
    escaped.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    escaped.replace(u'\r', u'\n');
    escaped.replace(u'\n', QStringLiteral("<br>"));
    return escaped;
}

QString BlogCodeGenerator::substituteValueForTag(const QString& tag, ManagedObject* recipe)
{
    if (!recipe)
        return {};
    auto field = [recipe](const char* keyPath) {
        return escapedValue(recipe->valueForKeyPath(QString::fromLatin1(keyPath)).toString());
    };
    if (tag == u"Title")
        return field("name");
    if (tag == u"Description")
        return field("recipeDescription");
    if (tag == u"Time")
        return field("totalTime");
    if (tag == u"From")
        return field("kitchen.name");
    if (tag == u"Rating") {
        const QVariant rating = recipe->valueForKey(QStringLiteral("rating"));
        return escapedValue(QStringLiteral("%1 of %2 stars")
                                .arg(rating.isValid() ? rating.toString() : QStringLiteral("0"))
                                .arg(5));
    }
    if (tag == u"Yield")
        return field("yield");
    if (tag == u"Category")
        return field("category.name");
    if (tag == u"Cuisine")
        return field("cuisine.name");
    if (tag == u"Image")
        return imageValue(recipe);
    return {};
}

QString BlogCodeGenerator::substituteForTag(const QString& tag, ManagedObject* recipe)
{
    const QString value = substituteValueForTag(tag, recipe);
    return value.isEmpty() ? QStringLiteral("&nbsp;") : value;
}

std::optional<QStringList> BlogCodeGenerator::valuesForGroup(const QString& group, ManagedObject* recipe)
{
    const QString key = group.toLower();
    auto* recipeObject = dynamic_cast<RecipeMO*>(recipe);
    if (!recipeObject || (key != u"ingredients" && key != u"directions" && key != u"notes"))
        return std::nullopt;
    QStringList values;
    for (const ManagedObject* item : recipeObject->sortedItemsForKey(key)) {
        const QString text = itemString(item);
        if (!text.trimmed().isEmpty())
            values.append(escapedValue(text));
    }
    return values;
}

std::optional<QString> BlogCodeGenerator::codeForRecipe(
    ManagedObject* recipe, const QString& htmlTemplate, QString* error)
{
    if (!recipe || htmlTemplate.isNull())
        return std::nullopt;
    QString code = htmlTemplate;
    // Lines end in "\n" alone, so a line's trailing blanks are found before its end.
    code.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    code.replace(u'\r', u'\n');
    // Values never hold "[", so every turn removes at least one tag for good.
    for (QRegularExpressionMatch found = tagPattern().match(code); found.hasMatch();
         found = tagPattern().match(code)) {
        const QString line = found.captured(0);
        const QString tag = found.captured(u"tag");
        const QString name = found.captured(u"name");
        QString replacement;
        const QRegularExpressionMatch group = groupPattern().match(name);
        if (group.hasMatch()) {
            const std::optional<QStringList> values = valuesForGroup(group.captured(u"group"), recipe);
            if (!values) {
                if (error)
                    *error = QCoreApplication::translate("BlogCodeGenerator",
                        "The template names a list that recipes do not have: %1. Use [[%Ingredients%]], "
                        "[[%Directions%]] or [[%Notes%]].")
                                 .arg(tag);
                return std::nullopt;
            }
            // Every occurrence on the line takes the item, so a line naming the list twice
            // repeats once per item rather than multiplying without end.
            for (const QString& value : *values)
                replacement += trimmedOfBlanks(QString(line).replace(tag, value));
        } else {
            replacement = trimmedOfBlanks(QString(line).replace(tag, substituteForTag(name, recipe)));
        }
        code.replace(found.capturedStart(0), found.capturedLength(0), replacement);
    }
    code.remove(u'\n');
    code.remove(u'\t');
    m_cachedCode = code;
    return code;
}
