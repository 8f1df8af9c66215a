#include "FuzzIngredientLines.h"

#include "EntityDescription.h"
#include "FuzzSupport.h"
#include "IngredientMO.h"
#include "IngredientTrie.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeIngredientMO.h"
#include "UnitsEngine.h"

#include <QStringList>
#include <memory>

using FuzzSupport::require;

namespace
{

constexpr qsizetype maximumLines = 300;
// Lines a context takes before it is replaced, so memory stays bounded over a long run.
constexpr qsizetype linesPerContext = 5000;

// A context in memory with the placeholder Ingredient a new line starts with, and its trie.
struct Library {
    Library()
        : coordinator(&FuzzSupport::libraryModel())
    {
        context.setPersistentStoreCoordinator(&coordinator);
        EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Ingredient"), &context)
            ->setPrimitiveValue(QStringLiteral("Ingredient"), QStringLiteral("name"));
        trie = IngredientTrie::ingredientTrieForContext(&context);
    }
    ~Library() { IngredientTrie::removeIngredientTrieForContext(&context); }

    PersistentStoreCoordinator coordinator;
    ManagedObjectContext context;
    std::shared_ptr<IngredientTrie> trie;
    qsizetype lines = 0;
};

std::unique_ptr<Library>& library()
{
    static auto* instance = new std::unique_ptr<Library>;
    return *instance;
}

void checkLine(Library& in, const QString& text)
{
    auto* line = dynamic_cast<RecipeIngredientMO*>(
        EntityDescription::insertNewObjectForEntityForName(QStringLiteral("RecipeIngredient"), &in.context));
    require(line != nullptr);
    line->setString(text);
    const QString stored = line->string();
    require(stored == text.trimmed());
    require(line->amount().isEmpty() || stored.startsWith(line->amount()));
    require(line->measure().isEmpty() || stored.contains(line->measure()));
    require(line->modifier().isEmpty() || stored.contains(line->modifier()));
    for (const QString& modifier : line->foundModifiers())
        require(stored.contains(modifier));
    require(line->baseIngredient() != nullptr);

    line->setUpdateDisplayStringFromSetterValues(true);
    line->setAmount(line->amount().isEmpty() ? QVariant() : QVariant(line->amount()));
    require(line->string() == stored);
    line->setModifier(line->modifier().isEmpty() ? QVariant() : QVariant(line->modifier()));
    require(line->string() == stored);
}

} // namespace

void fuzzIngredientLines(const uint8_t* data, size_t size)
{
    FuzzSupport::ensureApplication();
    Log::Capture quiet;
    if (UnitsEngine::defaultEngine().units().isEmpty())
        UnitsEngine::defaultEngine().loadUnits(QString());
    const QString text = FuzzSupport::textFromInput(data, size);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > maximumLines)
        lines.resize(maximumLines);

    std::unique_ptr<Library>& current = library();
    if (!current || current->lines > linesPerContext) {
        current.reset();
        current = std::make_unique<Library>();
    }
    for (const QString& line : lines) {
        checkLine(*current, line);
        quiet.clear();
    }
    current->lines += lines.size();
}
