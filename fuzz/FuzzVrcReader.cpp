#include "FuzzVrcReader.h"

#include "BLStringUtilities.h"
#include "FuzzSupport.h"
#include "Log.h"
#include "VRCReader.h"

#include <QString>

using FuzzSupport::require;

void fuzzVrcReader(const uint8_t* data, size_t size)
{
    Log::Capture quiet;
    const QString text = FuzzSupport::textFromInput(data, size);

    const QStringList lines = BLStringUtilities::lineArray(text);
    const QList<Range> ranges = BLStringUtilities::lineArrayRanges(text);
    require(lines.size() == ranges.size());
    require(lines.size() <= BLStringUtilities::lineCount(text));
    for (qsizetype i = 0; i < lines.size(); ++i)
        require(text.mid(ranges[i].location, ranges[i].length) == lines[i] && !lines[i].isEmpty());

    const QList<VRCRecipe> recipes = VRCReader(text).vrcObjects();
    qsizetype ends = 0;
    for (const QString& line : lines)
        ends += BLStringUtilities::stringByTrimmingWhitespaceAndNewlines(line).startsWith(VRCEndTag) ? 1 : 0;
    require(recipes.size() <= ends);
    for (const VRCRecipe& recipe : recipes) {
        for (const VRCIngredient& ingredient : recipe.ingredients())
            require(!ingredient.measure().isNull() && !ingredient.displayString().isNull());
    }
}
