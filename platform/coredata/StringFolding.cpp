#include "StringFolding.h"

#include <QList>
#include <memory>

namespace StringFolding
{

namespace
{

bool isAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

bool isRemovableMark(char32_t c)
{
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing;
}

// UTF-16 units reordered so that comparing them gives code point order: surrogates sort
// after every other BMP unit.
inline int codePointOrderKey(char16_t unit)
{
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return unit + 0x2000;
    if (unit >= 0xE000)
        return unit - 0x800;
    return unit;
}

QString foldByNormalizing(const QString& text, bool caseInsensitive, bool diacriticInsensitive);

// Below this, every character is a starter that composes with no neighbour, so folding a
// text is folding its characters one by one: a table lookup instead of three normalizations.
constexpr char16_t tableLimit = 0x250;

struct FoldTable {
    QString folded[tableLimit];
};

const FoldTable& foldTable(bool caseInsensitive, bool diacriticInsensitive)
{
    auto make = [](bool c, bool d) {
        auto table = std::make_unique<FoldTable>();
        for (char16_t unit = 0; unit < tableLimit; ++unit)
            table->folded[unit] = foldByNormalizing(QString(QChar(unit)), c, d);
        return table;
    };
    static const std::unique_ptr<FoldTable> caseOnly = make(true, false);
    static const std::unique_ptr<FoldTable> diacriticsOnly = make(false, true);
    static const std::unique_ptr<FoldTable> both = make(true, true);
    return caseInsensitive ? (diacriticInsensitive ? *both : *caseOnly) : *diacriticsOnly;
}

bool isInTable(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() >= tableLimit)
            return false;
    }
    return true;
}

} // namespace

QString fold(const QString& text, bool caseInsensitive, bool diacriticInsensitive)
{
    if (!caseInsensitive && !diacriticInsensitive)
        return text;
    if (isAscii(text))
        return caseInsensitive ? text.toLower() : text;
    if (isInTable(text)) {
        const FoldTable& table = foldTable(caseInsensitive, diacriticInsensitive);
        QString result;
        result.reserve(text.size());
        for (QChar c : text)
            result += table.folded[c.unicode()];
        return result;
    }
    return foldByNormalizing(text, caseInsensitive, diacriticInsensitive);
}

namespace
{

QString foldByNormalizing(const QString& text, bool caseInsensitive, bool diacriticInsensitive)
{
    QString decomposed = text.normalized(QString::NormalizationForm_D);
    if (caseInsensitive)
        decomposed = decomposed.toCaseFolded().normalized(QString::NormalizationForm_D);
    if (diacriticInsensitive) {
        QString stripped;
        stripped.reserve(decomposed.size());
        for (char32_t c : decomposed.toUcs4()) {
            if (isRemovableMark(c))
                continue;
            if (QChar::requiresSurrogates(c)) {
                stripped.append(QChar(QChar::highSurrogate(c)));
                stripped.append(QChar(QChar::lowSurrogate(c)));
            } else {
                stripped.append(QChar(static_cast<char16_t>(c)));
            }
        }
        decomposed = stripped;
    }
    return decomposed.normalized(QString::NormalizationForm_C);
}

} // namespace

int compareCodePoints(const QString& a, const QString& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a.at(i).unicode();
        const char16_t y = b.at(i).unicode();
        if (x != y)
            return codePointOrderKey(x) < codePointOrderKey(y) ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace StringFolding
