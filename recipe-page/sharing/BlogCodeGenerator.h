#pragma once

#include <QString>
#include <memory>
#include <optional>

class ManagedObject;

// Turns a recipe into HTML through a template whose placeholders are tag names between double
// square brackets: "[[Title]]" and the other single fields, and "[[%Ingredients%]]",
// "[[%Directions%]]", "[[%Notes%]]" for the lists, whose line is repeated once per item in index
// order. Values are HTML-escaped (square brackets too, so a value that spells a tag is never taken
// for one); the result holds no newline or tab. Main thread only (it reads managed objects).
class BlogCodeGenerator
{
public:
    // Each caller makes its own.
    static std::unique_ptr<BlogCodeGenerator> codeGenerator();

    // The HTML, or nullopt when the recipe or the template is missing, or when the template names
    // a list the recipe does not have (then `error` says which).
    std::optional<QString> codeForRecipe(
        ManagedObject* recipe, const QString& htmlTemplate, QString* error = nullptr);
    // The last HTML made.
    const QString& cachedCode() const { return m_cachedCode; }

    // The escaped value of a single-field tag; empty for an unknown tag or an empty field.
    static QString substituteValueForTag(const QString& tag, ManagedObject* recipe);
    // The same, with "&nbsp;" for an empty value.
    static QString substituteForTag(const QString& tag, ManagedObject* recipe);
    // The escaped texts of a list's items in index order (empty placeholder items left out);
    // nullopt when `group` names no list of a recipe.
    static std::optional<QStringList> valuesForGroup(const QString& group, ManagedObject* recipe);
    // HTML text of a value: markup characters and square brackets as character references, line
    // breaks as <br>.
    static QString escapedValue(const QString& value);

private:
    QString m_cachedCode;
};
