#include "RulerMarkerSetup.h"

#include "EntityDescription.h"
#include "RVRulerMinusMarker.h"
#include "RVRulerPlusMarker.h"
#include "RVRulerView.h"
#include "RVTextView.h"
#include "RecipeCardAttributes.h"
#include "RecipeController.h"
#include "RecipeMO.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>

namespace
{

const QStringList& listKeys()
{
    static const QStringList keys { QStringLiteral("ingredients"), QStringLiteral("directions"),
        QStringLiteral("notes") };
    return keys;
}

// The list a run's key path names: the path without its last extension.
QString listOfValue(const QString& value)
{
    const qsizetype dot = value.lastIndexOf(u'.');
    return dot < 0 ? value : value.left(dot);
}

bool listHoldsClass(const QString& list, const QString& className)
{
    return (list == QLatin1String("baseIngredient") && className == QLatin1String("RecipeIngredientMO"))
        || (list == QLatin1String("directions") && className == QLatin1String("DirectionMO"))
        || (list == QLatin1String("notes") && className == QLatin1String("NoteMO"));
}

QString formattedStringOf(const ManagedObject* object)
{
    return object ? object->valueForKey(QStringLiteral("formattedString")).toString() : QString();
}

} // namespace

RulerMarkerSetup::RulerMarkerSetup(RecipeController& controller, RVTextView& textView, RVRulerView& ruler)
    : QObject(&ruler)
    , m_controller(controller)
    , m_textView(&textView)
    , m_ruler(&ruler)
{
    ruler.setRecipeController(&controller);
    ruler.setVisible(controller.editable());
    connect(textView.verticalScrollBar(), &QScrollBar::valueChanged, &ruler,
        [this](int value) { m_ruler->setOriginOffset(value); });
    connect(textView.document(), &QTextDocument::contentsChanged, this, &RulerMarkerSetup::layoutDidComplete);
    connect(textView.document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
        &RulerMarkerSetup::layoutDidComplete);
    connect(&controller, &RecipeController::editableChanged, this, &RulerMarkerSetup::editableChanged);
    connect(&controller, &RecipeController::currentRecipeChanged, this, [this] {
        if (m_controller.editable())
            refreshMarkers();
    });
}

void RulerMarkerSetup::editableChanged(bool editable)
{
    if (!m_ruler)
        return;
    m_ruler->setVisible(editable);
    if (editable)
        refreshMarkers();
    else
        m_ruler->removeAllMarkers();
}

double RulerMarkerSetup::locationOfMarkerForString(const QString& searchText, const ManagedObject* object,
    const AttributedString& text, const RecipeTextLayout* layout)
{
    if (!layout)
        return 12.0;
    if (searchText.isEmpty() || !object || !object->entity())
        return -20.0;
    const QString className = object->entity()->managedObjectClassName();
    const quint64 index = object->valueForKey(QStringLiteral("index")).toULongLong();
    const QString& string = text.string();
    for (qsizetype at = string.indexOf(searchText); at >= 0; at = string.indexOf(searchText, at + 1)) {
        const Range occurrence { at, searchText.size() };
        // The first run inside the occurrence that carries an item number.
        for (qsizetype i = at; i < maxRange(occurrence);) {
            Range run;
            const QVariant number
                = text.attributeAtIndexLongestEffectiveRange(RVIndexAttribute, i, &run, occurrence);
            if (number.isValid() && !number.isNull()) {
                const QString list = listOfValue(text.attributeAtIndex(RVValueAttribute, i).toString());
                if (number.toULongLong() == index && listHoldsClass(list, className))
                    return layout->boundingRectForRange(run).top() + 12.0;
                break;
            }
            i = std::max(maxRange(run), i + 1);
        }
    }
    return -20.0;
}

double RulerMarkerSetup::locationOfMarkerForObject(
    const ManagedObject* object, const AttributedString& text, const RecipeTextLayout* layout)
{
    return locationOfMarkerForString(formattedStringOf(object), object, text, layout);
}

void RulerMarkerSetup::setupMarkersForKey(const QString& key, RecipeMO* recipe)
{
    if (!recipe || !m_ruler || !m_textView)
        return;
    const QList<ManagedObject*> items = recipe->sortedItemsForKey(key);
    const AttributedString& text = m_controller.page().textStorage();
    for (ManagedObject* item : items) {
        const double location = locationOfMarkerForObject(item, text, &m_textView->textLayout());
        const quint64 index = item->valueForKey(QStringLiteral("index")).toULongLong();
        auto minus = std::make_unique<RVRulerMinusMarker>(
            m_ruler, location, RVRulerMinusMarker::classDefaultImage(), QPointF(-1.0, 0.0));
        minus->setRepresentedObject(item);
        minus->setMouseOverImage(RVRulerMinusMarker::classOverImage());
        minus->setMouseDownImage(RVRulerMinusMarker::classDownImage());
        minus->setIndex(index);
        m_ruler->addMarker(std::move(minus));
        if (index != quint64(items.size()))
            continue;
        auto plus = std::make_unique<RVRulerPlusMarker>(
            m_ruler, location, RVRulerPlusMarker::classDefaultImage(), QPointF(-15.0, 0.0));
        plus->setRepresentedObject(item);
        plus->setMouseOverImage(RVRulerPlusMarker::classOverImage());
        plus->setMouseDownImage(RVRulerPlusMarker::classDownImage());
        plus->setIndex(index);
        m_ruler->addMarker(std::move(plus));
    }
}

void RulerMarkerSetup::setupMarkersForRecipe(RecipeMO* recipe)
{
    if (!m_ruler)
        return;
    m_ruler->removeAllMarkers();
    for (const QString& key : listKeys())
        setupMarkersForKey(key, recipe);
    m_ruler->update();
    ++m_rebuilds;
}

QString RulerMarkerSetup::itemSignature(RecipeMO* recipe) const
{
    QString signature;
    if (!recipe)
        return signature;
    for (const QString& key : listKeys())
        for (const ManagedObject* item : recipe->sortedItemsForKey(key))
            signature += QStringLiteral("%1:%2:%3;")
                             .arg(key)
                             .arg(item->valueForKey(QStringLiteral("index")).toULongLong())
                             .arg(quintptr(item), 0, 16);
    return signature;
}

void RulerMarkerSetup::refreshMarkers()
{
    if (!m_textView)
        return;
    auto* recipe = dynamic_cast<RecipeMO*>(m_controller.currentRecipe());
    m_savedUsedRect = m_textView->textLayout().usedRect();
    m_savedSignature = itemSignature(recipe);
    setupMarkersForRecipe(recipe);
}

void RulerMarkerSetup::layoutDidComplete()
{
    if (!m_textView || !m_controller.editable() || m_controller.page().textStorage().length() == 0)
        return;
    const QRectF used = m_textView->textLayout().usedRect();
    auto* recipe = dynamic_cast<RecipeMO*>(m_controller.currentRecipe());
    if (used.bottom() == m_savedUsedRect.bottom() && used.width() == m_savedUsedRect.width()
        && itemSignature(recipe) == m_savedSignature)
        return;
    refreshMarkers();
}
