// The recipe card of RecipeMO: building it from the recipe, and taking an edited card back.
#include "ConstantManager.h"
#include "DirectionMO.h"
#include "FontNames.h"
#include "IsEmpty.h"
#include "NoteMO.h"
#include "RVButtonTextAttachmentCell.h"
#include "RVLineTextAttachmentCell.h"
#include "RecipeBuildingAdditions.h"
#include "RecipeCardAttributes.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <algorithm>

namespace
{

const QString kAttributedStringKey = QStringLiteral("attributedString");
const QString kIndexKey = QStringLiteral("index");

QColor grayColor()
{
    return QColor::fromRgbF(0.5, 0.5, 0.5);
}

QColor darkGrayColor()
{
    return QColor::fromRgbF(1.0 / 3, 1.0 / 3, 1.0 / 3);
}

QFont displayFont(qreal size)
{
    return FontNames::fontWithName(RVDisplayFont, size);
}

QFont boldDisplayFont(qreal size)
{
    return FontNames::fontWithName(RVBoldDisplayFont, size);
}

// The group's constant under constantKey; a null string when either is missing.
QString constantOf(const QString& groupKey, const QString& constantKey)
{
    return ConstantManager::defaultManager().constantForKey(constantKey, groupKey);
}

void addParagraphStyle(MutableAttributedString& card, const ParagraphStyle& style, qsizetype from)
{
    from = std::clamp<qsizetype>(from, 0, card.length());
    card.addAttribute(
        NSParagraphStyleAttributeName, QVariant::fromValue(style), Range { from, card.length() - from });
}

void appendHeading(MutableAttributedString& card, const QString& groupKey, bool editing)
{
    const QString heading = constantOf(groupKey, RVHeadingConstantKey);
    RecipeBuildingAdditions::appendString(card, heading, heading, RVHeadingAttribute, boldDisplayFont(12),
        editing ? darkGrayColor() : grayColor());
}

void appendAddButton(MutableAttributedString& card, const char* title, const QString& listKeyPath)
{
    RVButtonTextAttachmentCell cell;
    cell.setTitle(QCoreApplication::translate("Kitchora", title));
    RecipeBuildingAdditions::appendString(card, QString(QChar(NSAttachmentCharacter)),
        { { NSAttachmentAttributeName, QVariant::fromValue(cell.attachment()) },
            { RVPlaceholderAttribute, listKeyPath } });
}

// The rule below the directions, with the line ends around it, in the plain style.
void appendRule(MutableAttributedString& card)
{
    const qsizetype ruleStart = card.length() - 1;
    RecipeBuildingAdditions::appendNewLine(card);
    RecipeBuildingAdditions::appendString(card, QString(QChar(NSAttachmentCharacter)),
        QVariantMap {
            { NSAttachmentAttributeName, QVariant::fromValue(RVLineTextAttachmentCell().attachment()) } });
    addParagraphStyle(card, RecipeMO::defaultParagraphStyle(), ruleStart);
    RecipeBuildingAdditions::appendNewLine(card);
}

AttributedString itemRun(ManagedObject* item)
{
    if (auto* line = dynamic_cast<RecipeIngredientMO*>(item))
        return line->attributedString();
    if (auto* direction = dynamic_cast<DirectionMO*>(item))
        return direction->attributedString();
    if (auto* note = dynamic_cast<NoteMO*>(item))
        return note->attributedString();
    return {};
}

void giveRun(ManagedObject* item, const AttributedString& run)
{
    if (auto* line = dynamic_cast<RecipeIngredientMO*>(item))
        line->setAttributedString(run);
    else if (auto* direction = dynamic_cast<DirectionMO*>(item))
        direction->setAttributedString(run);
    else if (auto* note = dynamic_cast<NoteMO*>(item))
        note->setAttributedString(run);
}

bool hasValue(const QVariant& value)
{
    return value.isValid() && !value.isNull();
}

} // namespace

AttributedString RecipeMO::attributedString()
{
    willAccessValueForKey(kAttributedStringKey);
    if (!m_cached || m_dirtyFlag || !m_cachedAttributedString)
        buildAttributedString();
    m_dirtyFlag = false;
    didAccessValueForKey(kAttributedStringKey);
    return *m_cachedAttributedString;
}

QString RecipeMO::string()
{
    return attributedString().string();
}

// --- building the card ---

void RecipeMO::buildAttributedString()
{
    const bool editing = valueForKey(QStringLiteral("editing")).toBool();

    MutableAttributedString card;
    card.beginEditing();
    appendTitle(card, editing);
    appendDescription(card, editing);
    appendShortFields(card);
    // The plain style starts on the line end before the ingredients' heading.
    const qsizetype listsStart = card.length() - 1;
    appendIngredients(card, editing);
    appendDirections(card, editing, listsStart);
    appendRule(card);
    appendNotes(card, editing);
    card.endEditing();

    m_cachedAttributedString = AttributedString(card);
    m_cached = true;
}

void RecipeMO::appendTitle(MutableAttributedString& card, bool editing)
{
    // The placeholder stands in for a missing name even when the recipe is not edited.
    const QVariant name = valueForKey(QStringLiteral("name"));
    const QString namePlaceholder = constantOf(KRNameConstantGroup, RVPlaceholderConstantKey);
    const QString nameKeyPath = constantOf(KRNameConstantGroup, RVValueConstantKey);
    if (isEmpty(name) || name.toString() == namePlaceholder)
        RecipeBuildingAdditions::appendPlaceholderString(
            card, namePlaceholder, nameKeyPath, RVValueAttribute, boldDisplayFont(18), grayColor());
    else
        RecipeBuildingAdditions::appendString(
            card, name.toString(), nameKeyPath, RVValueAttribute, boldDisplayFont(18));
    RecipeBuildingAdditions::appendNewLine(card);

    if (UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("KRDebugMode")))
        appendDebugLine(card, editing);
    addParagraphStyle(card, defaultParagraphStyle(), 0);
}

void RecipeMO::appendDebugLine(MutableAttributedString& card, bool editing)
{
    RecipeBuildingAdditions::appendString(card, valueForKey(QStringLiteral("onlineID")).toString(),
        QStringLiteral("onlineID"), RVLabelAttribute, boldDisplayFont(12), grayColor());
    RecipeBuildingAdditions::appendString(card,
        editing ? QStringLiteral(" (Editing:YES)") : QStringLiteral(" (Editing:NO)"),
        QStringLiteral("EditingLabelAttribute"), RVLabelAttribute, boldDisplayFont(12), grayColor());
    RecipeBuildingAdditions::appendNewLine(card);
}

void RecipeMO::appendDescription(MutableAttributedString& card, bool editing)
{
    const qsizetype descriptionStart = card.length();
    const QVariant description = valueForKey(QStringLiteral("recipeDescription"));
    const QString descriptionKeyPath = constantOf(KRDescriptionConstantGroup, RVValueConstantKey);
    if (!isEmpty(description))
        RecipeBuildingAdditions::appendString(
            card, description.toString(), descriptionKeyPath, RVValueAttribute, displayFont(12));
    else if (editing)
        RecipeBuildingAdditions::appendPlaceholderString(card,
            constantOf(KRDescriptionConstantGroup, RVPlaceholderConstantKey), descriptionKeyPath,
            RVValueAttribute, displayFont(12), grayColor());
    if (card.length() > descriptionStart) {
        ParagraphStyle style = defaultParagraphStyle();
        style.paragraphSpacing = 4.0;
        addParagraphStyle(card, style, descriptionStart);
        RecipeBuildingAdditions::appendNewLine(card);
    }
    RecipeBuildingAdditions::appendNewLine(card);
}

void RecipeMO::appendShortFields(MutableAttributedString& card)
{
    for (const QString& group : { KRKitchenConstantGroup, KRTotalTimeConstantGroup, KRYieldConstantGroup,
             KRCategoryConstantGroup, KRCuisineConstantGroup })
        appendAttributedStringForConstantGroup(group, card);
}

ParagraphStyle RecipeMO::paragraphStyleForValueWithLabelString(const AttributedString& label)
{
    qreal width = 0;
    label.enumerateAttributesInRange(
        Range { 0, label.length() }, [&](const QVariantMap& attributes, Range range, bool&) {
            const QVariant font = attributes.value(NSFontAttributeName);
            const QFontMetricsF metrics(font.canConvert<QFont>() ? font.value<QFont>() : QFont());
            width += metrics.horizontalAdvance(label.string().mid(range.location, range.length));
        });
    ParagraphStyle style = defaultParagraphStyle();
    style.headIndent = width;
    style.tabStops.clear();
    return style;
}

void RecipeMO::appendAttributedStringForConstantGroup(const QString& groupKey, MutableAttributedString& card)
{
    if (card.length() == 0 || groupKey.isNull())
        return;
    const ConstantManager& constants = ConstantManager::defaultManager();
    const ConstantGroup* group = constants.constantGroupForGroupKey(groupKey);
    if (!group)
        return;
    const bool editing = valueForKey(QStringLiteral("editing")).toBool();
    const QString keyPath = group->value(RVValueConstantKey);
    const QVariant value = keyPath.isEmpty() ? QVariant() : valueForKeyPath(keyPath);
    const qsizetype start = card.length();

    if (editing || !isEmpty(value)) {
        RecipeBuildingAdditions::appendString(card, group->value(RVLabelConstantKey),
            group->value(RVLabelValueConstantKey), RVLabelAttribute, boldDisplayFont(12),
            editing ? darkGrayColor() : grayColor());
        RecipeBuildingAdditions::appendSpace(card);
    }
    const ParagraphStyle style = card.length() > start
        ? paragraphStyleForValueWithLabelString(
            card.attributedSubstringFromRange(Range { start, card.length() - start }))
        : defaultParagraphStyle();

    if (isEmpty(value)) {
        if (editing) {
            RecipeBuildingAdditions::appendPlaceholderString(card, group->value(RVPlaceholderConstantKey),
                keyPath, RVValueAttribute, displayFont(12), grayColor());
            RecipeBuildingAdditions::appendNewLine(card);
        }
    } else {
        RecipeBuildingAdditions::appendString(
            card, value.toString(), keyPath, RVValueAttribute, displayFont(12));
        RecipeBuildingAdditions::appendNewLine(card);
    }
    addParagraphStyle(card, style, start);

    if (groupKey == KRYieldConstantGroup || groupKey == KRCuisineConstantGroup)
        RecipeBuildingAdditions::appendNewLine(card);
}

void RecipeMO::appendIngredients(MutableAttributedString& card, bool editing)
{
    appendHeading(card, KRIngredientConstantGroup, editing);
    RecipeBuildingAdditions::appendNewLine(card);
    appendItemLines(card, QStringLiteral("ingredients"), "add ingredients...", KRIngredientConstantGroup);
    RecipeBuildingAdditions::appendNewLine(card);
}

void RecipeMO::appendDirections(MutableAttributedString& card, bool editing, qsizetype plainFrom)
{
    appendHeading(card, KRDirectionConstantGroup, editing);
    RecipeBuildingAdditions::appendNewLine(card);
    addParagraphStyle(card, defaultParagraphStyle(), plainFrom);
    appendItemLines(card, QStringLiteral("directions"), "add directions...", KRDirectionConstantGroup);
}

void RecipeMO::appendNotes(MutableAttributedString& card, bool editing)
{
    // Later bullets line up under the first, after the heading and its tab.
    const qsizetype notesStart = card.length() - 1;
    appendHeading(card, KRNoteConstantGroup, editing);
    RecipeBuildingAdditions::appendTab(card);
    const QList<ManagedObject*> notes = sortedItemsForKey(QStringLiteral("notes"));
    for (qsizetype i = 0; i < notes.size(); ++i) {
        const AttributedString run = itemRun(notes.at(i));
        if (run.length() == 0)
            continue;
        RecipeBuildingAdditions::appendBullet(card);
        RecipeBuildingAdditions::appendSpace(card);
        card.appendAttributedString(run);
        RecipeBuildingAdditions::appendNewLine(card);
        if (i + 1 < notes.size()) {
            RecipeBuildingAdditions::appendTab(card);
            RecipeBuildingAdditions::appendTab(card);
        }
    }
    RecipeBuildingAdditions::appendNewLine(card);
    RecipeBuildingAdditions::appendNewLine(card);
    ParagraphStyle notesStyle = defaultParagraphStyle();
    notesStyle.firstLineHeadIndent = 0;
    notesStyle.headIndent = 65.0;
    addParagraphStyle(card, notesStyle, notesStart);
}

void RecipeMO::appendItemLines(
    MutableAttributedString& card, const QString& key, const char* buttonTitle, const QString& groupKey)
{
    bool anyItem = false;
    for (ManagedObject* item : sortedItemsForKey(key)) {
        const AttributedString run = itemRun(item);
        if (run.length() == 0)
            continue;
        card.appendAttributedString(run);
        RecipeBuildingAdditions::appendNewLine(card);
        anyItem = true;
    }
    if (!anyItem) {
        appendAddButton(card, buttonTitle, constantOf(groupKey, RVValueConstantKey));
        RecipeBuildingAdditions::appendNewLine(card);
    }
}

// --- taking an edited card back ---

void RecipeMO::setAttributedString(const AttributedString& edited)
{
    if (m_cachedAttributedString && edited.string() == m_cachedAttributedString->string())
        return;
    UndoGroup group(managedObjectContext());
    if (primitiveValueForKey(QStringLiteral("defaultValues")).toBool())
        storeValue(false, QStringLiteral("defaultValues"));
    m_cached = false;
    const AttributedString card = edited;
    willChangeValueForKey(kAttributedStringKey);
    takeSingleFields(card);
    takeLists(card);
    m_cached = false;
    didChangeValueForKey(kAttributedStringKey);
    removeExtraPlaceholders();
}

void RecipeMO::takeSingleFields(const AttributedString& card)
{
    // Everything before the first heading.
    const Range whole { 0, card.length() };
    Range firstStretch;
    const bool startsWithHeading = card.length() == 0
        || hasValue(card.attributeAtIndexLongestEffectiveRange(RVHeadingAttribute, 0, &firstStretch, whole));
    const qsizetype headingStart = startsWithHeading ? 0 : maxRange(firstStretch);
    for (qsizetype position = 0; position < headingStart;) {
        Range run;
        const QVariant keyPath
            = card.attributeAtIndexLongestEffectiveRange(RVValueAttribute, position, &run, whole);
        if (run.length <= 0)
            break;
        if (hasValue(keyPath))
            takeSingleField(card, run, keyPath.toString());
        position = maxRange(run);
    }
}

void RecipeMO::takeSingleField(const AttributedString& card, Range run, const QString& keyPath)
{
    // Only the recipe's own single fields are taken; a run naming anything else (a pasted list
    // line, a foreign key path) is left alone rather than written into the recipe.
    static const QStringList singleFieldGroups
        = { KRNameConstantGroup, KRDescriptionConstantGroup, KRYieldConstantGroup, KRTotalTimeConstantGroup,
              KRKitchenConstantGroup, KRCategoryConstantGroup, KRCuisineConstantGroup };
    const QString groupKey = ConstantManager::defaultManager().groupKeyForConstant(keyPath);
    if (!singleFieldGroups.contains(groupKey))
        return;

    if (hasValue(card.attributeAtIndex(RVPlaceholderAttribute, run.location))) {
        // An emptied field; the title is never emptied.
        if (keyPath == QLatin1String("name"))
            return;
        const qsizetype dot = keyPath.lastIndexOf(QLatin1Char('.'));
        setValueForKey(QVariant(), dot < 0 ? keyPath : keyPath.left(dot));
        return;
    }

    const QString text = card.string().mid(run.location, run.length);
    if (groupKey == KRCategoryConstantGroup)
        setCategory(text);
    else if (groupKey == KRCuisineConstantGroup)
        setCuisine(text);
    else if (groupKey == KRKitchenConstantGroup)
        setKitchen(text);
    else if (valueForKey(keyPath) != QVariant(text))
        setValueForKey(text, keyPath);
}

void RecipeMO::takeLists(const AttributedString& card)
{
    // Each heading's section runs up to the next heading.
    const Range whole { 0, card.length() };
    const ConstantManager& constants = ConstantManager::defaultManager();
    for (qsizetype position = 0; position < card.length();) {
        Range heading;
        const QVariant value
            = card.attributeAtIndexLongestEffectiveRange(RVHeadingAttribute, position, &heading, whole);
        if (heading.length <= 0)
            break;
        position = maxRange(heading);
        if (!hasValue(value))
            continue;
        Range body { position, 0 };
        if (position < card.length())
            card.attributeAtIndexLongestEffectiveRange(RVHeadingAttribute, position, &body, whole);
        const QString groupKey = constants.groupKeyForConstant(value.toString());
        if (groupKey == KRIngredientConstantGroup) {
            setItemsForKey(QStringLiteral("ingredients"), QStringLiteral("RecipeIngredientMO"),
                card.attributedSubstringFromRange(body));
        } else if (groupKey == KRDirectionConstantGroup) {
            // The section's last line end belongs to the rule below the directions.
            body.length = std::max<qsizetype>(body.length - 1, 0);
            setItemsForKey(QStringLiteral("directions"), QStringLiteral("DirectionMO"),
                card.attributedSubstringFromRange(body));
        } else if (groupKey == KRNoteConstantGroup) {
            setItemsForKey(
                QStringLiteral("notes"), QStringLiteral("NoteMO"), card.attributedSubstringFromRange(body));
        }
    }
}

void RecipeMO::setItemsForKey(const QString& key, const QString& className, const AttributedString& body)
{
    // Items are matched to the section's runs by position, so the list follows the card's order.
    // A run beyond the list makes a new item at that position (never in front of an item that
    // is still to be matched), and every item takes its position as its index: a pasted copy of
    // a line becomes an item of its own and no other item is overwritten.
    quint64 taken = 0;
    const Range whole { 0, body.length() };
    for (qsizetype position = 0; position < body.length();) {
        Range run;
        const QVariant keyPath
            = body.attributeAtIndexLongestEffectiveRange(RVValueAttribute, position, &run, whole);
        if (run.length <= 0)
            break;
        position = maxRange(run);
        if (!hasValue(keyPath))
            continue;
        const QVariant carried = body.attributeAtIndex(RVIndexAttribute, run.location);
        const quint64 index = hasValue(carried) ? carried.toULongLong() : 0;
        const quint64 count = quint64(sortedItemsForKey(key).size());
        const bool placeholder = hasValue(body.attributeAtIndex(RVPlaceholderAttribute, run.location));

        // A placeholder for an item that is still on the list stands for nothing new.
        if (placeholder && taken < count && index < count)
            continue;
        ManagedObject* item = itemAtPositionForKey(taken, key, className);
        if (!item)
            break;
        if (item->valueForKey(kIndexKey).toULongLong() != taken + 1)
            item->setValueForKey(taken + 1, kIndexKey);
        if (placeholder) {
            giveRun(item, AttributedString());
        } else {
            MutableAttributedString text(body.attributedSubstringFromRange(run));
            text.addAttribute(RVIndexAttribute, taken + 1, Range { 0, text.length() });
            giveRun(item, text);
        }
        ++taken;
    }

    // Whatever no run matched is gone; removing the last item leaves the list's placeholder.
    const qsizetype extra = sortedItemsForKey(key).size() - qsizetype(taken);
    for (qsizetype i = 0; i < extra; ++i)
        removeInstanceOfClass(className, taken + 1);
}

ManagedObject* RecipeMO::itemAtPositionForKey(quint64 position, const QString& key, const QString& className)
{
    const QList<ManagedObject*> items = sortedItemsForKey(key);
    if (position < quint64(items.size()))
        return items.at(qsizetype(position));
    addInstanceOfClass(className, position + 1);
    const QList<ManagedObject*> grown = sortedItemsForKey(key);
    return position < quint64(grown.size()) ? grown.at(qsizetype(position)) : nullptr;
}
