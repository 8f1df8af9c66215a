#pragma once

#include "HighlightingDeletableTableView.h"

#include <QUrl>
#include <functional>

class QMimeData;

// The list of every ingredient beside the substitution rules: its rows are dragged onto the rule's
// boxes as the ingredient's object URI; Delete only beeps (ingredients are not deleted here).
// Disabled, it takes no focus, selects nothing and does not scroll.
class SubstitutionIngredientTableView : public HighlightingDeletableTableView
{
    Q_OBJECT

public:
    explicit SubstitutionIngredientTableView(QWidget* parent = nullptr);

    // The object URI of the ingredient on a row (invalid: none).
    void setURLForRow(std::function<QUrl(int row)> urlForRow) { m_urlForRow = std::move(urlForRow); }
    // What a drag of the given rows carries: the URI of the last of them; nullptr when none has one.
    QMimeData* mimeDataForRows(const QList<int>& rows) const;

    void deleteSelectedRows() override;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    std::function<QUrl(int row)> m_urlForRow;
};
