// Feeds arbitrary text to the plain card reader and the line utilities. Any crash, hang,
// sanitizer report or broken invariant is a finding.
#include "BLStringUtilities.h"
#include "Log.h"
#include "VRCReader.h"

#include <QString>
#include <cstdint>
#include <cstdlib>

namespace
{

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// The first byte picks how the rest becomes text: as UTF-8 (the common case, invalid sequences
// included) or as raw UTF-16 units (lone surrogates, U+2028 and friends).
QString textFromInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return {};
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const auto restSize = static_cast<qsizetype>(size - 1);
    if (data[0] & 1)
        return QString(reinterpret_cast<const QChar*>(rest), restSize / 2);
    return QString::fromUtf8(rest, restSize);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Log::Capture quiet;
    const QString text = textFromInput(data, size);

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
    return 0;
}
