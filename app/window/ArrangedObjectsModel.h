#pragma once

#include "ArrayController.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

// A table's item model over an array controller: one row per arranged object, one column per
// Column, each showing the value at its key path. The rows are the controller's; nothing is
// copied, so a table of any length costs only the rows on screen. Clicking a header sorts by that
// column's key first. Main thread only; the controller must outlive the model.
class ArrangedObjectsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum class CellKind { Text, Rating, Date, Number };

    struct Column {
        QString identifier; // "dateAddedCID"
        QString title; // the header
        QString keyPath; // what the cell shows
        // The key an edit is stored under (a to-one's name is stored on the relationship:
        // "category" for "category.name"); empty: not editable.
        QString editKey;
        SortDescriptor sortDescriptorPrototype { QString() };
        CellKind kind = CellKind::Text;
        int width = 0; // 0: the view decides
    };

    explicit ArrangedObjectsModel(ArrayController& controller, QObject* parent = nullptr);
    ~ArrangedObjectsModel() override;

    ArrayController& controller() const { return m_controller; }

    const QList<Column>& columns() const { return m_columns; }
    void setColumns(const QList<Column>& columns);
    void addColumn(const Column& column);
    // False when there is no column of that identifier.
    bool removeColumn(const QString& identifier);
    // -1 when there is none.
    int columnWithIdentifier(const QString& identifier) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The column's prototype becomes the first sort descriptor, in `order`; the others follow.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    // The controller's selection changed (not through the view).
    void controllerSelectionChanged();

protected:
    // Stores an edit; the default sets the value for the column's edit key on a managed object.
    virtual bool setValue(const QVariant& object, const Column& column, const QVariant& value);

private:
    ArrayController& m_controller;
    QList<Column> m_columns;
    int m_observer = 0;
};
