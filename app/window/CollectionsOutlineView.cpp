#include "CollectionsOutlineView.h"

#include "CellRoles.h"
#include "ImageAndTextCell.h"
#include "KitchoraExtensions.h"
#include "RecipeCollection.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QTimerEvent>

CollectionsOutlineView::CollectionsOutlineView(CollectionsController& controller, QWidget* parent)
    : QTreeView(parent)
    , m_controller(controller)
{
    setModel(&controller.collectionsModel());
    setItemDelegate(new ImageAndTextCell(this));
    header()->hide();
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);

    m_deleteAction = new QAction(tr("Delete"), this);
    connect(m_deleteAction, &QAction::triggered, this, [this] { m_controller.deleteSelectedItems(); });

    controller.setCollectionsOutlineView(this);
    CollectionsTreeModel& model = controller.collectionsModel();
    connect(
        &model, &QAbstractItemModel::modelAboutToBeReset, this, &CollectionsOutlineView::rememberExpanded);
    connect(&model, &QAbstractItemModel::modelReset, this, &CollectionsOutlineView::restoreExpanded);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &CollectionsOutlineView::selectionFromView);
    connect(&controller.collectionsTreeController(), &CollectionsTreeController::selectionDidChange, this,
        &CollectionsOutlineView::selectionFromController);
    connect(
        &controller, &CollectionsController::progressChanged, this, &CollectionsOutlineView::progressChanged);
    updateDeleteAction();
}

CollectionsOutlineView::~CollectionsOutlineView()
{
    if (m_controller.collectionsOutlineView() == this)
        m_controller.setCollectionsOutlineView(nullptr);
}

// --- selection and expanded rows ---

void CollectionsOutlineView::selectionFromView()
{
    if (m_syncing)
        return;
    QList<ManagedObject*> selected;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        selected.append(m_controller.collectionsModel().collectionAt(index));
    m_syncing = true;
    m_controller.collectionsTreeController().setSelectedObjects(selected);
    m_syncing = false;
    updateDeleteAction();
}

void CollectionsOutlineView::selectionFromController()
{
    if (!m_syncing) {
        m_syncing = true;
        const QList<ManagedObject*> selected = m_controller.collectionsTreeController().selectedObjects();
        const QModelIndex index
            = m_controller.collectionsModel().indexOf(selected.isEmpty() ? nullptr : selected.last());
        if (index.isValid()) {
            for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
                expand(parent);
            selectionModel()->setCurrentIndex(
                index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            scrollTo(index);
        } else {
            selectionModel()->clearSelection();
        }
        m_syncing = false;
    }
    updateDeleteAction();
}

void CollectionsOutlineView::rememberExpanded()
{
    m_expanded.clear();
    const CollectionsTreeModel& model = m_controller.collectionsModel();
    std::function<void(const QModelIndex&)> visit = [&](const QModelIndex& parent) {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            if (isExpanded(index)) {
                m_expanded.append(model.collectionAt(index));
                visit(index);
            }
        }
    };
    visit({});
}

void CollectionsOutlineView::restoreExpanded()
{
    for (ManagedObject* collection : std::as_const(m_expanded)) {
        const QModelIndex index = m_controller.collectionsModel().indexOf(collection);
        if (index.isValid())
            expand(index);
    }
    m_expanded.clear();
    selectionFromController();
}

void CollectionsOutlineView::expandCollection(ManagedObject* collection)
{
    const QModelIndex index = m_controller.collectionsModel().indexOf(collection);
    if (index.isValid())
        expand(index);
}

void CollectionsOutlineView::editCollection(ManagedObject* collection)
{
    const QModelIndex index = m_controller.collectionsModel().indexOf(collection);
    if (index.isValid() && CollectionsController::canRenameOrDelete(collection))
        QTreeView::edit(index, QAbstractItemView::AllEditTriggers, nullptr);
}

void CollectionsOutlineView::updateDeleteAction()
{
    m_deleteAction->setText(m_controller.deleteMenuItemTitle());
    m_deleteAction->setEnabled(m_controller.canDeleteSelection());
}

// --- keys, renaming, menu ---

void CollectionsOutlineView::keyPressEvent(QKeyEvent* event)
{
    const bool deleteKey = event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace;
    const Qt::KeyboardModifiers held
        = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!deleteKey || held != Qt::NoModifier || state() == QAbstractItemView::EditingState) {
        QTreeView::keyPressEvent(event);
        return;
    }
    event->accept();
    const QModelIndex current = KitchoraExtensions::selectedItem(*this);
    const QModelIndex above = current.isValid() ? indexAbove(current) : QModelIndex();
    ManagedObject* selectAfter = m_controller.collectionsModel().collectionAt(above);
    if (!m_controller.deleteSelectedItems() && !current.isValid())
        return;
    // Also after a cancelled confirmation the row above is selected, as the key always does.
    if (current.isValid() && selectAfter)
        m_controller.selectCollection(selectAfter);
}

bool CollectionsOutlineView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (!CollectionsController::canRenameOrDelete(m_controller.collectionsModel().collectionAt(index)))
        return false;
    return QTreeView::edit(index, trigger, event);
}

void CollectionsOutlineView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(tr("New Collection"), this, [this] { m_controller.newCollection(); });
    menu.addAction(tr("New Folder"), this, [this] { m_controller.newFolder(); });
    menu.addAction(tr("New Smart Collection"), this, [this] { m_controller.newSmartCollection(); });
    menu.addSeparator();
    updateDeleteAction();
    menu.addAction(m_deleteAction);
    const auto* selected = dynamic_cast<const RecipeCollection*>(m_controller.selectedCollection());
    if (selected && selected->isDeviceCollection())
        menu.addAction(tr("Hide Device"), this, [this] { m_controller.hideDevice(); });
    menu.exec(event->globalPos());
}

// --- dragging ---

void CollectionsOutlineView::startDrag(Qt::DropActions)
{
    QList<ManagedObject*> items;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        items.append(m_controller.collectionsModel().collectionAt(index));
    std::unique_ptr<QMimeData> data = m_controller.writeItems(items);
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data.release());
    QRect rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows |= visualRect(index);
    const QPixmap image = dragImage(
        viewport()->grab(rows), palette().color(QPalette::Base), palette().color(QPalette::Highlight));
    if (!image.isNull()) {
        drag->setPixmap(image);
        drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - rows.topLeft());
    }
    m_inDrag = true;
    // Collections only move within the list; the Trash has no counterpart here.
    drag->exec(Qt::MoveAction);
    m_inDrag = false;
    viewport()->update();
}

QPixmap CollectionsOutlineView::dragImage(const QPixmap& rows, const QColor& background, const QColor& frame)
{
    if (rows.isNull() || rows.size().isEmpty())
        return {};
    QPixmap image(rows.size());
    image.setDevicePixelRatio(rows.devicePixelRatio());
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(QPointF(0, 0), rows.deviceIndependentSize()).adjusted(1.0, 1.0, -1.0, -1.0);
    QColor fill = background;
    fill.setAlphaF(0.33f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(bounds, 5.0, 5.0);
    painter.drawPixmap(QPointF(0, 2.0), rows);
    QColor stroke = frame;
    stroke.setAlphaF(0.85f);
    painter.setPen(QPen(stroke, 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds, 5.0, 5.0);
    return image;
}

CollectionsController::DragSource CollectionsOutlineView::dragSourceOf(const QObject* source) const
{
    using Source = CollectionsController::DragSource;
    if (!source)
        return Source::OtherApplication;
    if (source == this || source == viewport())
        return Source::CollectionsList;
    const QWidget* lists = m_controller.groceryListsTableView();
    if (lists && (source == lists || lists->isAncestorOf(qobject_cast<const QWidget*>(source))))
        return Source::GroceryListsTable;
    return Source::OtherView;
}

const QObject* CollectionsOutlineView::sourceOf(const QDropEvent& event) const
{
    return event.source();
}

CollectionsOutlineView::DropPlace CollectionsOutlineView::dropPlaceAt(const QPoint& position) const
{
    const CollectionsTreeModel& model = m_controller.collectionsModel();
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return { nullptr, model.rowCount() };
    const QRect rect = visualRect(index);
    const int margin = std::max(2, rect.height() / 4);
    ManagedObject* parent = model.collectionAt(index.parent());
    if (position.y() < rect.top() + margin)
        return { parent, index.row() };
    if (position.y() > rect.bottom() - margin && !isExpanded(index))
        return { parent, index.row() + 1 };
    return { model.collectionAt(index), -1 };
}

Qt::DropAction CollectionsOutlineView::validate(const QDropEvent& event) const
{
    CollectionsController::DropInfo info;
    info.source = dragSourceOf(sourceOf(event));
    info.data = event.mimeData();
    info.sourceOperations = event.possibleActions();
    DropPlace place = dropPlaceAt(event.position().toPoint());
    return m_controller.validateDrop(info, place.target, &place.childIndex);
}

void CollectionsOutlineView::dragEnterEvent(QDragEnterEvent* event)
{
    // Entering the list is always allowed; each position is judged as the drag moves.
    if (event->mimeData()
        && dragSourceOf(sourceOf(*event)) != CollectionsController::DragSource::OtherApplication)
        event->accept();
    else
        event->ignore();
}

void CollectionsOutlineView::dragMoveEvent(QDragMoveEvent* event)
{
    // A dragged collection hovering over the devices folder does not open it.
    const auto* hovered = dynamic_cast<const RecipeCollection*>(
        m_controller.collectionsModel().collectionAt(indexAt(event->position().toPoint())));
    setAutoExpandDelay(m_inDrag && hovered && hovered->isDevicesFolder() ? -1 : 700);
    QTreeView::dragMoveEvent(event);
    const Qt::DropAction action = validate(*event);
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void CollectionsOutlineView::dropEvent(QDropEvent* event)
{
    CollectionsController::DropInfo info;
    info.source = dragSourceOf(sourceOf(*event));
    info.data = event->mimeData();
    info.sourceOperations = event->possibleActions();
    DropPlace place = dropPlaceAt(event->position().toPoint());
    const Qt::DropAction action = m_controller.validateDrop(info, place.target, &place.childIndex);
    if (action == Qt::IgnoreAction || !m_controller.acceptDrop(info, place.target, place.childIndex)) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
    viewport()->update();
}

// --- spinner ---

void CollectionsOutlineView::progressChanged()
{
    bool anyBusy = m_controller.dropboxProgressIndicatorCounter() > 0;
    const CollectionsTreeModel& model = m_controller.collectionsModel();
    std::function<void(const QModelIndex&)> visit = [&](const QModelIndex& parent) {
        for (int row = 0; row < model.rowCount(parent) && !anyBusy; ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            anyBusy = m_controller.progressCount(model.collectionAt(index)) > 0;
            visit(index);
        }
    };
    visit({});
    if (anyBusy && m_spinnerTimer == 0)
        m_spinnerTimer = startTimer(80);
    else if (!anyBusy && m_spinnerTimer != 0) {
        killTimer(m_spinnerTimer);
        m_spinnerTimer = 0;
    }
    viewport()->update();
}

void CollectionsOutlineView::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_spinnerTimer) {
        QTreeView::timerEvent(event);
        return;
    }
    m_spinnerStep = (m_spinnerStep + 1) % 12;
    viewport()->update();
}

void CollectionsOutlineView::drawRow(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (m_controller.progressCount(m_controller.collectionsModel().collectionAt(index)) == 0) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    // The spinner stands where the icon would be.
    QStyleOptionViewItem withoutIcon = option;
    withoutIcon.features &= ~QStyleOptionViewItem::HasDecoration;
    QTreeView::drawRow(painter, withoutIcon, index);
    const QRect cell = visualRect(index);
    const int side = std::min(cell.height() - 4, 16);
    const QRectF spinner(cell.left() + 2, cell.center().y() - side / 2.0, side, side);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPen pen(option.palette.color(QPalette::Text), 2.0);
    pen.setCapStyle(Qt::RoundCap);
    painter->setPen(pen);
    painter->drawArc(spinner.adjusted(2, 2, -2, -2), -m_spinnerStep * 30 * 16, 270 * 16);
    painter->restore();
}
