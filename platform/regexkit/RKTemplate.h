#pragma once

#include "RKReference.h"
#include "RKRegex.h"

#include <QList>
#include <QRegularExpressionMatch>
#include <QString>
#include <optional>

// The reference forms shared by the capture and replacement operations.
namespace RKTemplate
{

// A replacement string cut into literal text and capture numbers.
struct Piece {
    QString literal;
    int capture = -1; // >= 0: insert this capture instead of the literal
};

// Nothing when the string names a capture the regex lacks or a "${" is not closed.
std::optional<QList<Piece>> parseReplacement(const QString& replacement, const RKRegex& regex);
QString expand(const QList<Piece>& pieces, const QRegularExpressionMatch& match);

// Fills every reference from the match, or none of them (false) when one is bad.
bool fillReferences(
    const QRegularExpressionMatch& match, const RKRegex& regex, const RKReferences& references);

} // namespace RKTemplate
