#pragma once

#include "AttributedString.h"

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>

class ManagedObject;
class RecipeController;
class RecipeMO;
class RecipeTextLayout;
class RVRulerView;
class RVTextView;

// Places the item ruler's markers for the shown recipe while the page is edited: a minus marker at
// each ingredient, direction and note, and a plus marker after each list's last item. The markers
// are made again when the page's layout settles with its bottom moved, its width changed, or its
// items changed (added, removed or renumbered), so a marker never stands for an item that is gone.
// The ruler shows only while the page is editable. Main thread only.
class RulerMarkerSetup : public QObject
{
    Q_OBJECT

public:
    RulerMarkerSetup(RecipeController& controller, RVTextView& textView, RVRulerView& ruler);

    // Takes every marker off and places those of the three lists, ingredients first.
    void setupMarkersForRecipe(RecipeMO* recipe);
    void setupMarkersForKey(const QString& key, RecipeMO* recipe);
    // Where the item's marker stands on the page (the top of its text + 12); -20 when its text is
    // not on the page, 12 without a layout. `object` is an item or a string.
    static double locationOfMarkerForObject(
        const ManagedObject* object, const AttributedString& text, const RecipeTextLayout* layout);
    static double locationOfMarkerForString(const QString& searchText, const ManagedObject* object,
        const AttributedString& text, const RecipeTextLayout* layout);
    // The markers again, now.
    void refreshMarkers();
    // The page was laid out again: markers follow when they must.
    void layoutDidComplete();

    int rebuildCount() const { return m_rebuilds; }

private:
    // What the markers depend on besides geometry: each item's class, index and identity.
    QString itemSignature(RecipeMO* recipe) const;
    void editableChanged(bool editable);

    RecipeController& m_controller;
    QPointer<RVTextView> m_textView;
    QPointer<RVRulerView> m_ruler;
    QRectF m_savedUsedRect;
    QString m_savedSignature;
    int m_rebuilds = 0;
};
