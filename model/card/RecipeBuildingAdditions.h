#pragma once

#include "AttributedString.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

// Appenders that grow a recipe card one run at a time. Each adds one run at the end.
// "No value", "no font" and "no colour" are an invalid QVariant, std::nullopt and an invalid
// QColor. Pass value lists as QVariantList and name lists as QStringList: a braced single
// element would pick the single-value form.
namespace RecipeBuildingAdditions
{

// The string with exactly these attributes (none for an empty map).
void appendString(MutableAttributedString& target, const QString& string, const QVariantMap& attributes);

// Nothing for an empty string (isEmpty). Otherwise the string with the value under the attribute
// name (when both are given), the font and the foreground colour (each when given).
void appendString(MutableAttributedString& target, const QString& string, const QVariant& value,
    const QString& attribute, const std::optional<QFont>& font, const QColor& color = {});

// As above with value i under name i. Values without a name and names without a value are
// dropped; an invalid value adds nothing for its name.
void appendString(MutableAttributedString& target, const QString& string, const QVariantList& values,
    const QStringList& attributes, const std::optional<QFont>& font, const QColor& color = {});

// A placeholder run: RVPlaceholderAttribute (valued with its own name) and then the caller's
// attribute, so a caller's RVPlaceholderAttribute value wins.
void appendPlaceholderString(MutableAttributedString& target, const QString& string, const QVariant& value,
    const QString& attribute, const std::optional<QFont>& font, const QColor& color = {});

// The caller's attributes and then RVPlaceholderAttribute valued with its own name.
void appendPlaceholderString(MutableAttributedString& target, const QString& string,
    const QVariantList& values, const QStringList& attributes, const std::optional<QFont>& font,
    const QColor& color = {});

// Structural pieces in the display font at 12 points.
void appendNewLine(MutableAttributedString& target);
void appendTwoNewLine(MutableAttributedString& target);
void appendSpace(MutableAttributedString& target);
void appendTab(MutableAttributedString& target);
void appendBullet(MutableAttributedString& target);

// "n. " with the attributes; no number prints 55555555.
void appendNumber(MutableAttributedString& target, const QVariant& number, const QVariantMap& attributes);
// The same in the display font at 12 points.
void appendNumber(MutableAttributedString& target, const QVariant& number);

} // namespace RecipeBuildingAdditions
