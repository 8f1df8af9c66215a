#pragma once

#include "FakeImportTextLayout.h"
#include "RecipeImportView.h"

#include <gtest/gtest.h>
#include <memory>

// An import view holding `text` on the fake monospaced layout, with a fixed visible part and the
// "Labels" menu caught instead of shown.
struct ImportViewHarness {
    explicit ImportViewHarness(const QString& text = QString(), QRectF visible = QRectF(0, 0, 600, 800))
    {
        view.setPlainText(text);
        view.setTextLayout(std::make_unique<FakeImportTextLayout>(text));
        view.setVisibleRectForTesting(visible);
        view.setSnapToText(false);
        view.setMenuPresenter([this](ImportArea* area, const QList<ImportArea::MenuItem>& items, QPointF) {
            menuArea = area;
            menuItems = items;
        });
    }

    std::shared_ptr<ImportArea> add(const QRectF& frame, const QString& key = QString())
    {
        auto area = ImportArea::areaWithFrame(frame, false, &view);
        if (!key.isEmpty())
            area->setKey(key);
        view.addArea(area);
        return area;
    }

    // A press, drags through the points, and a release at the last one.
    void gesture(QPointF from, std::initializer_list<QPointF> through)
    {
        view.mouseDownAtPoint(from);
        QPointF last = from;
        for (QPointF point : through) {
            view.mouseDraggedToPoint(point);
            last = point;
        }
        view.mouseUpAtPoint(last);
    }

    RecipeImportView view;
    ImportArea* menuArea = nullptr;
    QList<ImportArea::MenuItem> menuItems;
};
