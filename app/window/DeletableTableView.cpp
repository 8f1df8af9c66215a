#include "DeletableTableView.h"

#include "AGResizableDateCell.h"
#include "ArrangedObjectsModel.h"
#include "Completions.h"
#include "EntityDescription.h"
#include "ManagedObject.h"
#include "RelationshipDescription.h"
#include "SFHFRatingCell.h"
#include "ToolBarColor.h"

#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QStringListModel>
#include <algorithm>

DeletableTableView::DeletableTableView(QWidget* parent)
    : QTableView(parent)
{
    m_deleteAction = new QAction(tr("Delete"), this);
    connect(m_deleteAction, &QAction::triggered, this, [this] { deleteSelectedRows(); });
    // Headers in the bold small system font.
    QFont headerFont = horizontalHeader()->font();
    headerFont.setBold(true);
    headerFont.setPointSizeF(std::max(1.0, headerFont.pointSizeF() - 1));
    horizontalHeader()->setFont(headerFont);
    applySelectionColors();
}

DeletableTableView::~DeletableTableView()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_connections))
        disconnect(connection);
}

void DeletableTableView::bindContent(
    ArrayController* controller, const QString& keyPath, QAbstractItemModel* model)
{
    for (const QMetaObject::Connection& connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_tableContentController = controller;
    m_tableContentKey = controller ? keyPath : QString();
    // Binding keeps the order the table had.
    const int sortColumn = horizontalHeader()->sortIndicatorSection();
    const Qt::SortOrder sortOrder = horizontalHeader()->sortIndicatorOrder();
    setModel(model);
    m_model = model;
    horizontalHeader()->setSortIndicator(sortColumn, sortOrder);
    if (!model)
        return;
    m_connections.append(connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &DeletableTableView::syncSelectionToController));
    m_connections.append(
        connect(model, &QAbstractItemModel::modelReset, this, &DeletableTableView::applyCells));
    m_connections.append(
        connect(model, &QAbstractItemModel::columnsInserted, this, &DeletableTableView::applyCells));
    m_connections.append(
        connect(model, &QAbstractItemModel::columnsRemoved, this, &DeletableTableView::applyCells));
    if (auto* arranged = qobject_cast<ArrangedObjectsModel*>(model)) {
        m_connections.append(connect(arranged, &ArrangedObjectsModel::controllerSelectionChanged, this,
            &DeletableTableView::syncSelectionFromController));
    }
    applyCells();
    syncSelectionFromController();
}

QList<int> DeletableTableView::selectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DeletableTableView::deleteSelectedRows()
{
    if (!m_tableContentController)
        return;
    QList<qsizetype> indexes;
    for (int row : selectedRows())
        indexes.append(row);
    m_tableContentController->removeObjectsAtArrangedObjectIndexes(indexes);
}

void DeletableTableView::validateDeleteAction()
{
    m_deleteAction->setText(tr("Delete"));
    m_deleteAction->setEnabled(!selectedRows().isEmpty());
}

void DeletableTableView::beep()
{
    QApplication::beep();
}

void DeletableTableView::keyPressEvent(QKeyEvent* event)
{
    const bool deleteKey = event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace;
    // The keypad bit comes with some delete keys; Shift, Control, Alt and Meta make it another key.
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (!deleteKey || !plain || state() == EditingState) {
        QTableView::keyPressEvent(event);
        return;
    }
    if (selectedRows().isEmpty())
        beep();
    else
        deleteSelectedRows();
    event->accept();
}

// --- selection colours ---

QColor DeletableTableView::lighterColor(const QColor& selection)
{
    const QColor c = selection.toHsv();
    return QColor::fromHsvF(c.hsvHueF(), std::max(c.hsvSaturationF() - 0.22f, 0.0f),
        std::min(c.valueF() + 0.08f, 1.0f), c.alphaF());
}

QColor DeletableTableView::darkerColor(const QColor& selection)
{
    const QColor c = selection.toHsv();
    const float saturation
        = c.hsvSaturationF() > 0.04f ? std::clamp(c.hsvSaturationF() - 0.08f, 0.0f, 1.0f) : 0.0f;
    return QColor::fromHsvF(c.hsvHueF(), saturation, std::max(c.valueF() - 0.12f, 0.0f), c.alphaF());
}

DeletableTableView::SelectionColors DeletableTableView::selectionColors(
    const QColor& selection, bool focused, bool keyWindow)
{
    SelectionColors colors { selection, lighterColor(selection), darkerColor(selection) };
    for (QColor* color : { &colors.frame, &colors.top, &colors.bottom }) {
        if (!focused)
            *color = ToolBarColor::lightenedColor(*color);
        if (!keyWindow) {
            const int grey = qGray(color->rgb());
            *color = QColor(grey, grey, grey, color->alpha());
        }
    }
    return colors;
}

void DeletableTableView::applySelectionColors()
{
    const QColor selection = QApplication::palette(this).color(QPalette::Active, QPalette::Highlight);
    const SelectionColors colors = selectionColors(selection, hasFocus(), isActiveWindow());
    // Each selected cell fills its own rectangle: a gradient in the cell's box runs from the top
    // of the row to its bottom.
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0, colors.frame);
    gradient.setColorAt(0.04, colors.top);
    gradient.setColorAt(0.96, colors.bottom);
    gradient.setColorAt(1, colors.frame);
    QPalette palette = this->palette();
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive })
        palette.setBrush(group, QPalette::Highlight, QBrush(gradient));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(palette);
}

void DeletableTableView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    applySelectionColors();
}

void DeletableTableView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    applySelectionColors();
}

void DeletableTableView::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        applySelectionColors();
}

// --- cells ---

QAbstractItemDelegate* DeletableTableView::cellForColumn(int column)
{
    const auto* arranged = qobject_cast<const ArrangedObjectsModel*>(model());
    if (!arranged || column >= arranged->columns().size())
        return nullptr;
    switch (arranged->columns().at(column).kind) {
    case ArrangedObjectsModel::CellKind::Rating: {
        auto* cell = new SFHFRatingCell(this);
        cell->setMaximumRating(5);
        return cell;
    }
    case ArrangedObjectsModel::CellKind::Date:
        return new AGResizableDateCell(this);
    default:
        return nullptr;
    }
}

void DeletableTableView::applyCells()
{
    const auto* arranged = qobject_cast<const ArrangedObjectsModel*>(model());
    if (!arranged)
        return;
    for (int column = 0; column < arranged->columnCount(); ++column) {
        QAbstractItemDelegate* old = itemDelegateForColumn(column);
        setItemDelegateForColumn(column, cellForColumn(column));
        if (old)
            old->deleteLater();
        if (arranged->columns().at(column).width > 0)
            setColumnWidth(column, arranged->columns().at(column).width);
    }
}

// --- selection in step with the controller ---

void DeletableTableView::syncSelectionToController()
{
    if (m_syncingSelection || !m_tableContentController)
        return;
    m_syncingSelection = true;
    QList<qsizetype> indexes;
    for (int row : selectedRows())
        indexes.append(row);
    m_tableContentController->setSelectionIndexes(indexes);
    m_syncingSelection = false;
}

void DeletableTableView::syncSelectionFromController()
{
    if (m_syncingSelection || !m_tableContentController || !model())
        return;
    m_syncingSelection = true;
    QItemSelection selection;
    for (qsizetype row : m_tableContentController->selectionIndexes())
        selection.select(model()->index(int(row), 0), model()->index(int(row), model()->columnCount() - 1));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const QList<qsizetype> indexes = m_tableContentController->selectionIndexes();
    if (!indexes.isEmpty()) {
        const QModelIndex current = model()->index(int(indexes.first()), 0);
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        scrollTo(current);
    }
    m_syncingSelection = false;
    // Listeners of the view's selection hear of it even when the rows did not change.
    emit selectionModel()->selectionChanged(selection, {});
}

// --- completions ---

std::optional<QStringList> DeletableTableView::completions(const ArrayController* controller, int row,
    const QString& sortKey, const QString& partial, const QStringList& proposed)
{
    if (!controller || row < 0 || sortKey.isEmpty())
        return proposed;
    QString key = sortKey;
    const qsizetype dot = key.lastIndexOf(u'.');
    if (dot >= 0)
        key.truncate(dot);
    if (key == QLatin1String("name"))
        return std::nullopt;
    const EntityDescription* entity = nullptr;
    if (!controller->entityName().isEmpty()) {
        const auto* object = controller->objectAt(row).value<ManagedObject*>();
        if (object) {
            const auto* value
                = controller->valueAt(QVariant::fromValue(const_cast<ManagedObject*>(object)), key)
                      .value<ManagedObject*>();
            if (value)
                entity = value->entity();
            else if (object->entity())
                if (const RelationshipDescription* relationship = object->entity()->relationshipNamed(key))
                    entity = relationship->destinationEntity();
        }
    }
    static const QStringList namedEntities { QStringLiteral("Cuisine"), QStringLiteral("Category"),
        QStringLiteral("Kitchen"), QStringLiteral("Ingredient") };
    if (entity && namedEntities.contains(entity->name())) {
        const std::optional<QStringList> found
            = Completions::sharedCompletions().completionsArrayForString(partial, entity);
        if (!found || found->size() < 2)
            return std::nullopt;
        return found;
    }
    if (proposed.size() >= 2)
        return proposed;
    return std::nullopt;
}

bool DeletableTableView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (!QTableView::edit(index, trigger, event))
        return false;
    auto* editor = qobject_cast<QLineEdit*>(indexWidget(index));
    if (!editor)
        return true;
    m_editedIndex = index;
    if (!m_completions)
        m_completions = new QStringListModel(this);
    auto* completer = new QCompleter(m_completions, editor);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    editor->setCompleter(completer);
    connect(editor, &QLineEdit::textEdited, this, &DeletableTableView::updateCompletions);
    return true;
}

void DeletableTableView::updateCompletions(const QString& text)
{
    const auto* arranged = qobject_cast<const ArrangedObjectsModel*>(model());
    if (!arranged || !m_editedIndex.isValid() || m_editedIndex.column() >= arranged->columns().size())
        return;
    const QString sortKey = arranged->columns().at(m_editedIndex.column()).sortDescriptorPrototype.key();
    const std::optional<QStringList> found
        = completions(m_tableContentController, m_editedIndex.row(), sortKey, text);
    m_completions->setStringList(found.value_or(QStringList()));
}
