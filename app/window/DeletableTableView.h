#pragma once

#include <QColor>
#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <optional>

class ArrayController;
class QAction;
class QCompleter;
class QStringListModel;

// The application's tables: Delete or Backspace (without modifiers) and the Delete action remove
// the selected rows through the array controller behind the table; the selection is drawn as a
// gradient in the selection colour, paler while the table has no focus and grey while its window
// is not active; a cell being edited completes stored names of its column's entity. Columns of
// an ArrangedObjectsModel get the cell their kind asks for (stars, dates).
class DeletableTableView : public QTableView
{
    Q_OBJECT

public:
    explicit DeletableTableView(QWidget* parent = nullptr);
    ~DeletableTableView() override;

    // The controller of the table's rows (not owned) and the key path of its content.
    ArrayController* tableContentController() const { return m_tableContentController; }
    QString tableContentKey() const { return m_tableContentKey; }
    // Shows the controller's arranged objects through `model` (an ArrangedObjectsModel over it, or
    // any model of the same rows) and keeps both selections in step; nullptr unbinds.
    void bindContent(ArrayController* controller, const QString& keyPath, QAbstractItemModel* model);

    QList<int> selectedRows() const;
    virtual void deleteSelectedRows();
    // "Delete", enabled while a row is selected; triggering it deletes the selected rows.
    QAction* deleteAction() const { return m_deleteAction; }
    virtual void validateDeleteAction();

    // The selection's gradient colours: from the selection colour, with saturation 0.22 lower
    // and brightness 0.08 higher (top), and saturation 0.08 lower and brightness 0.12 lower
    // (bottom).
    static QColor lighterColor(const QColor& selection);
    static QColor darkerColor(const QColor& selection);
    // The frame, top and bottom colours for a table with or without focus, in an active window
    // or not.
    struct SelectionColors {
        QColor frame, top, bottom;
    };
    static SelectionColors selectionColors(const QColor& selection, bool focused, bool keyWindow);

    // The completions of `partial` in a cell of the column sorted by `sortKey` of the controller's
    // object at `row`: none for "name"; the stored names of a Cuisine, Category, Kitchen or
    // Ingredient (nullopt unless at least two); otherwise `proposed` when it has two or more.
    static std::optional<QStringList> completions(const ArrayController* controller, int row,
        const QString& sortKey, const QString& partial, const QStringList& proposed = {});

protected:
    static void beep();
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    // The delegate for a column of the given kind of an ArrangedObjectsModel; nullptr: the view's.
    virtual QAbstractItemDelegate* cellForColumn(int column);

private:
    void applySelectionColors();
    void applyCells();
    void syncSelectionToController();
    void syncSelectionFromController();
    void updateCompletions(const QString& text);

    QPointer<QAbstractItemModel> m_model;
    ArrayController* m_tableContentController = nullptr;
    QString m_tableContentKey;
    QList<QMetaObject::Connection> m_connections;
    bool m_syncingSelection = false;
    QAction* m_deleteAction = nullptr;
    QPersistentModelIndex m_editedIndex;
    QStringListModel* m_completions = nullptr;
};
