#include "VRCRecipe.h"

#include <algorithm>

template <typename T> void VRCRecipe::PlacedList<T>::add(const T& item, qint64 position)
{
    if (!items.isEmpty() && position < items.constLast().first)
        ordered = false;
    items.append({ position, item });
}

template <typename T> void VRCRecipe::PlacedList<T>::assign(const QList<T>& list)
{
    items.clear();
    items.reserve(list.size());
    qint64 position = 0;
    for (const T& item : list)
        items.append({ position++, item });
    ordered = true;
}

template <typename T> QList<T> VRCRecipe::PlacedList<T>::values() const
{
    QList<std::pair<qint64, T>> sorted = items;
    if (!ordered) {
        std::stable_sort(
            sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    QList<T> result;
    result.reserve(sorted.size());
    for (auto& entry : sorted)
        result.append(std::move(entry.second));
    return result;
}

QList<VRCIngredient> VRCRecipe::ingredients() const
{
    return m_ingredients.values();
}

QStringList VRCRecipe::directions() const
{
    return m_directions.values();
}

QStringList VRCRecipe::notes() const
{
    return m_notes.values();
}

void VRCRecipe::setIngredients(const QList<VRCIngredient>& ingredients)
{
    m_ingredients.assign(ingredients);
}

void VRCRecipe::setDirections(const QStringList& directions)
{
    m_directions.assign(directions);
}

void VRCRecipe::setNotes(const QStringList& notes)
{
    m_notes.assign(notes);
}

void VRCRecipe::addIngredient(const VRCIngredient& ingredient, qint64 index)
{
    m_ingredients.add(ingredient, index);
}

void VRCRecipe::addDirection(const QString& direction, qint64 index)
{
    m_directions.add(direction, index);
}

void VRCRecipe::addNote(const QString& note, qint64 index)
{
    m_notes.add(note, index);
}

namespace
{

QVariant textValue(const QString& text)
{
    return text.isNull() ? QVariant() : QVariant(text);
}

} // namespace

QVariant VRCRecipe::valueForKey(const QString& key) const
{
    if (key == u"name")
        return textValue(m_name);
    if (key == u"category")
        return textValue(m_category);
    if (key == u"cuisine")
        return textValue(m_cuisine);
    if (key == u"recipeDescription")
        return textValue(m_recipeDescription);
    if (key == u"yield")
        return textValue(m_yield);
    if (key == u"cookTime")
        return textValue(m_cookTime);
    if (key == u"kitchen")
        return textValue(m_kitchen);
    if (key == u"rating")
        return m_rating;
    if (key == u"onlineID")
        return m_onlineID;
    if (key == u"ingredients") {
        QStringList lines;
        for (const VRCIngredient& ingredient : ingredients())
            lines.append(ingredient.string());
        return lines;
    }
    if (key == u"directions")
        return directions();
    if (key == u"notes")
        return notes();
    return {};
}

bool VRCRecipe::setValue(const QVariant& value, const QString& key)
{
    const QString text = value.isValid() ? value.toString() : QString();
    if (key == u"name")
        m_name = text;
    else if (key == u"category")
        m_category = text;
    else if (key == u"cuisine")
        m_cuisine = text;
    else if (key == u"recipeDescription")
        m_recipeDescription = text;
    else if (key == u"yield")
        m_yield = text;
    else if (key == u"cookTime")
        m_cookTime = text;
    else if (key == u"kitchen")
        m_kitchen = text;
    else if (key == u"rating")
        m_rating = value;
    else if (key == u"onlineID")
        m_onlineID = value;
    else
        return false;
    return true;
}

bool VRCRecipe::operator==(const VRCRecipe& other) const
{
    return m_name == other.m_name && m_category == other.m_category && m_cuisine == other.m_cuisine
        && m_recipeDescription == other.m_recipeDescription && m_yield == other.m_yield
        && m_cookTime == other.m_cookTime && m_kitchen == other.m_kitchen && m_rating == other.m_rating
        && m_onlineID == other.m_onlineID && ingredients() == other.ingredients()
        && directions() == other.directions() && notes() == other.notes();
}
