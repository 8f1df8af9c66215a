#include "GroceryListView.h"

#include "DNDTableDrops.h"
#include "GroceryItemTableView.h"
#include "GroceryItemsTableModel.h"
#include "GroceryListController.h"
#include "GroceryListPrintView.h"
#include "Presenter.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

GroceryListView::GroceryListView(GroceryListController& controller, QWidget* parent)
    : QWidget(parent)
    , m_controller(controller)
{
    m_title = new QLabel;
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setWordWrap(true);

    m_itemsModel = new GroceryItemsTableModel(controller, this);
    m_itemTable = new GroceryItemTableView;
    m_itemTable->setObjectName(QStringLiteral("groceryItemTableView"));
    m_itemTable->bindContent(
        &controller.itemArrayController(), QStringLiteral("arrangedObjects"), m_itemsModel);
    m_itemTable->horizontalHeader()->resizeSection(GroceryItemsTableModel::HaveItColumn, 28);
    m_itemTable->horizontalHeader()->resizeSection(GroceryItemsTableModel::AmountColumn, 120);
    new DNDTableDrops(m_itemTable, controller.itemArrayController());
    connect(m_itemTable, &GroceryItemTableView::addRequested, this, &GroceryListView::addItem);

    m_addItemButton = new QPushButton(tr("Add Item"));
    m_addItemButton->setFlat(true);
    QPalette palette = m_addItemButton->palette();
    palette.setColor(QPalette::ButtonText, Qt::darkGray);
    m_addItemButton->setPalette(palette);
    connect(m_addItemButton, &QPushButton::clicked, this, &GroceryListView::addItem);

    // The table grows with its rows; the pane around it scrolls.
    auto* content = new QWidget;
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(12, 12, 12, 12);
    contentLayout->addWidget(m_title);
    contentLayout->addWidget(m_itemTable);
    auto* addRow = new QHBoxLayout;
    addRow->addWidget(m_addItemButton);
    addRow->addStretch(1);
    contentLayout->addLayout(addRow);
    contentLayout->addStretch(1);
    m_scrollArea = new QScrollArea;
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidget(content);

    m_emailButton = new QPushButton(tr("Email"));
    m_emailButton->setToolTip(tr("Send the grocery list in a new mail message"));
    connect(m_emailButton, &QPushButton::clicked, &controller, &GroceryListController::emailGroceryList);
    m_printButton = new QPushButton(tr("Print…"));
    connect(m_printButton, &QPushButton::clicked, this, &GroceryListView::print);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 4, 8, 8);
    buttons->addStretch(1);
    buttons->addWidget(m_emailButton);
    buttons->addWidget(m_printButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_scrollArea, 1);
    layout->addLayout(buttons);

    m_observer = controller.itemArrayController().addObserver([this](ArrayController::Change change) {
        if (change == ArrayController::Change::Arrangement
            && !m_controller.itemArrayController().isMovingObjects())
            resizeItemViewAndMoveButton();
    });
    connect(&controller, &GroceryListController::selectedGroceryListChanged, this,
        &GroceryListView::selectedListChanged);
    selectedListChanged(controller.selectedGroceryList());
}

GroceryListView::~GroceryListView()
{
    m_controller.itemArrayController().removeObserver(m_observer);
}

void GroceryListView::selectedListChanged(GroceryList* list)
{
    disconnect(m_nameConnection);
    m_title->setText(list ? list->name() : tr("No Grocery List Selected"));
    if (list) {
        m_nameConnection = connect(
            list, &GroceryList::nameChanged, this, [this, list] { m_title->setText(list->name()); });
    }
    for (QWidget* control : { static_cast<QWidget*>(m_addItemButton), static_cast<QWidget*>(m_emailButton),
             static_cast<QWidget*>(m_printButton), static_cast<QWidget*>(m_itemTable) })
        control->setEnabled(list != nullptr);
    resizeItemViewAndMoveButton();
}

void GroceryListView::resizeItemViewAndMoveButton()
{
    const int height = m_itemTable->heightForAllRows();
    if (m_itemTable->height() != height)
        m_itemTable->setFixedHeight(height);
}

bool GroceryListView::canPrint() const
{
    return m_printButton->isEnabled() && m_controller.selectedGroceryList();
}

void GroceryListView::print()
{
    const GroceryList* list = m_controller.selectedGroceryList();
    if (!list)
        return;
    QPrinter printer;
    printer.setDocName(list->name());
    if (!m_controller.presenter().runPrintPanel(printer))
        return;
    GroceryListPrintView view(*list);
    view.print(printer);
}

void GroceryListView::addItem()
{
    if (!m_controller.selectedGroceryList())
        return;
    m_controller.itemArrayController().add();
    if (!m_controller.justAdded())
        return;
    m_controller.clearJustAdded();
    const QModelIndex name = m_itemsModel->index(
        int(m_controller.itemArrayController().count() - 1), GroceryItemsTableModel::NameColumn);
    m_itemTable->setCurrentIndex(name);
    m_itemTable->scrollTo(name);
    m_scrollArea->ensureWidgetVisible(m_addItemButton);
    static_cast<QAbstractItemView*>(m_itemTable)->edit(name);
}
