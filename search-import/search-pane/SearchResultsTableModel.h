#pragma once

#include "SearchEngine.h"

#include <QAbstractTableModel>
#include <functional>

// The results table's rows as the search engine lays them out: the local header, the local
// results, the web header, the web results and the more-results row. A header answers its title
// (Qt::DisplayRole), count and disclosure triangle (CellRoles); a result its value for the
// column's key path. Dragged rows carry their recipes' URIs. The model reads the engine at every
// call; reload() after the engine changed. Main thread only.
class SearchResultsTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Column {
        QString identifier; // the result's key path
        QString title;
    };

    explicit SearchResultsTableModel(SearchEngine& engine, QObject* parent = nullptr);

    static const QList<Column>& columns();
    // The column of the identifier, -1 for none.
    static int columnOf(const QString& identifier);

    SearchEngine& engine() const { return m_engine; }
    // Which rows may be selected; empty: every result row.
    void setSelectable(std::function<bool(int row)> selectable) { m_selectable = std::move(selectable); }
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction | Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::IgnoreAction; }

private:
    SearchEngine& m_engine;
    std::function<bool(int row)> m_selectable;
};
