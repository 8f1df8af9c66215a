#pragma once

#include "AmountFinding.h"
#include "IngredientLineParser.h"
#include "IngredientMO.h"
#include "IsEmpty.h"
#include "KRTrieBucket.h"
#include "OFTrie.h"
#include "ParsingEngine.h"
#include "RecipeIngredientMO.h"
#include "UnitsEngine.h"

#include <QFile>
#include <QList>
#include <QString>
#include <QStringConverter>
#include <cmath>
#include <memory>

// Whether a parsed line came out as a cook would read it: the amount, the unit and the
// ingredient. Shared by the fixture test and the measurement on outside data, which read lines
// with IngredientLineParser over the names below, without a store.
namespace IngredientLineScoring
{

inline bool sameUnit(const QString& parsed, const QString& expected)
{
    if (parsed.trimmed().isEmpty() || expected.trimmed().isEmpty())
        return parsed.trimmed().isEmpty() && expected.trimmed().isEmpty();
    const UnitsEngine& units = UnitsEngine::defaultEngine();
    const MeasurementUnitPtr a = units.unitForName(parsed);
    const MeasurementUnitPtr b = units.unitForName(expected);
    return a ? a == b : parsed.compare(expected, Qt::CaseInsensitive) == 0;
}

// Names agree in any case and with or without a plural ending.
inline bool sameName(const QString& parsed, const QString& expected)
{
    const QString a = parsed.trimmed().toLower();
    const QString b = expected.trimmed().toLower();
    for (const QString& ending : { QString(), QStringLiteral("s"), QStringLiteral("es") }) {
        if (a + ending == b || b + ending == a)
            return true;
    }
    // berry / berries
    const auto ies = [](const QString& plural, const QString& singular) {
        return plural.endsWith(QLatin1String("ies")) && singular.endsWith(u'y')
            && plural.chopped(3) == singular.chopped(1);
    };
    return ies(a, b) || ies(b, a);
}

inline bool sameAmountText(const QString& parsed, const QString& expected)
{
    return parsed.trimmed() == expected.trimmed();
}

// Amounts by value; an empty text on both sides also agrees.
inline bool sameAmountValue(const QString& parsed, double expected, bool expectedEmpty)
{
    if (parsed.trimmed().isEmpty())
        return expectedEmpty;
    if (expectedEmpty)
        return false;
    return std::abs(AmountFinding::amountDecimalNumberValue(parsed).doubleValue() - expected) < 0.01;
}

inline QString ingredientName(const RecipeIngredientMO* line)
{
    const IngredientMO* ingredient = line->baseIngredient();
    return ingredient ? ingredient->name() : QString();
}

// Adds the name unless one is held in any case, as the ingredient trie adds the Ingredient that
// finding or creating it by name gives.
inline void addIngredientName(OFTrie& names, const QString& name)
{
    if (!names.bucketForString(name))
        names.addBucket(KRTrieBucket::bucketWithObject(name), name);
}

// The names a new context's ingredient trie holds, kept as plain text: the context's own
// Ingredients (`own`), then the lines of ingredients.txt, then `extra`.
inline std::shared_ptr<OFTrie> ingredientNames(const QStringList& own, const QStringList& extra = {})
{
    auto names = std::make_shared<OFTrie>(false);
    for (const QString& name : own)
        addIngredientName(*names, name);
    QFile file(QStringLiteral(":/ingredients.txt"));
    if (file.open(QIODevice::ReadOnly)) {
        // Read as the trie reads it.
        const QByteArray data = file.readAll();
        QString text;
        if (const std::optional<QStringConverter::Encoding> encoding
            = QStringConverter::encodingForData(data)) {
            QStringDecoder decoder(*encoding);
            text = decoder(data);
        } else {
            text = QString::fromUtf8(data);
        }
        for (QString line : text.split(u'\n')) {
            if (line.endsWith(u'\r'))
                line.chop(1);
            if (!isEmpty(line))
                addIngredientName(*names, line);
        }
    }
    for (const QString& name : extra)
        addIngredientName(*names, name);
    return names;
}

// The parser's lookups over plain names, answering what an ingredient trie of those names would.
inline ParsingEngine::KnownIngredients knownIngredientsOf(std::shared_ptr<const OFTrie> names)
{
    ParsingEngine::KnownIngredients known;
    known.namesBeginningWith = [names](const QString& prefix) {
        QStringList found;
        for (const OFTrieBucket* bucket : names->completionsFromString(prefix)) {
            if (const auto* held = dynamic_cast<const KRTrieBucket*>(bucket))
                found.append(held->objectValue().toString());
        }
        return found;
    };
    known.nameForKey = [names](const QString& key) -> std::optional<QString> {
        if (const auto* held = dynamic_cast<const KRTrieBucket*>(names->bucketForString(key)))
            return held->objectValue().toString();
        return std::nullopt;
    };
    known.namesHeldBy = [names](const QString& text) {
        QStringList found;
        for (const OFTrieBucket* bucket : names->bucketsHeldByText(text)) {
            if (const auto* held = dynamic_cast<const KRTrieBucket*>(bucket))
                found.append(held->objectValue().toString());
        }
        return found;
    };
    return known;
}

// A parser with the application's modifier words and units over the names.
inline IngredientLineParser lineParser(std::shared_ptr<const OFTrie> names)
{
    return IngredientLineParser(ParsingEngine::defaultModifiers(), UnitsEngine::defaultEngine().unitNames(),
        knownIngredientsOf(std::move(names)));
}

// Parses the text as a line of the store does (trimmed) and keeps a new ingredient's name, as the
// store creates the Ingredient.
inline IngredientLineParser::Result parseLikeTheStore(
    const IngredientLineParser& parser, OFTrie& names, const QString& text)
{
    IngredientLineParser::Result result = parser.parse(text.trimmed());
    if (result.ingredientKind != IngredientLineParser::IngredientKind::Known)
        addIngredientName(names, result.ingredient);
    return result;
}

// One piece repeated, cut at `length` characters: the shapes of long pasted lines that once took
// time growing with the square of their length.
struct RepeatedPiece {
    const char* name;
    QString piece;
};

inline QList<RepeatedPiece> hostilePieces()
{
    return {
        { "chopped", QStringLiteral("chopped ") },
        { "cups of diced", QStringLiteral("cups of diced ") },
        { "sliced thinly", QStringLiteral("sliced thinly ") },
        { "salt", QStringLiteral("salt ") },
        { "tomato onion garlic", QStringLiteral("tomato onion garlic ") },
        { "flour comma", QStringLiteral("flour, ") },
        { "cup", QStringLiteral("cup ") },
        { "open parentheses", QStringLiteral("(") },
        { "close parentheses", QStringLiteral(")") },
        { "parenthesised salt", QStringLiteral("(salt) ") },
        { "digits", QStringLiteral("1") },
        { "fractions", QStringLiteral("\u00BD") },
        { "commas", QStringLiteral(",") },
        { "one word", QStringLiteral("a") },
        { "one word of names", QStringLiteral("saltonion") },
    };
}

inline QString repeatedTo(const QString& piece, qsizetype length)
{
    return piece.repeated(length / piece.size() + 1).left(length);
}

} // namespace IngredientLineScoring
