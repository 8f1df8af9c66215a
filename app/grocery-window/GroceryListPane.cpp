#include "GroceryListPane.h"

#include "DNDTableDrops.h"
#include "GroceryItemTableView.h"
#include "GroceryListController.h"
#include "GroceryListView.h"
#include "GroceryListsTableModel.h"
#include "HighlightingDeletableTableView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

GroceryListPane::GroceryListPane(GroceryListController& controller, QWidget* parent)
    : QWidget(parent)
    , m_controller(controller)
{
    m_listsModel = new GroceryListsTableModel(controller, this);
    m_listsTable = new HighlightingDeletableTableView;
    m_listsTable->setObjectName(QStringLiteral("groceryListsTableView"));
    m_listsTable->bindContent(
        &controller.listsArrayController(), QStringLiteral("arrangedObjects"), m_listsModel);
    m_listsTable->verticalHeader()->hide();
    m_listsTable->verticalHeader()->setDefaultSectionSize(m_listsTable->fontMetrics().height() + 6);
    m_listsTable->horizontalHeader()->setStretchLastSection(true);
    m_listsTable->horizontalHeader()->resizeSection(0, 170);
    m_listsTable->setShowGrid(false);
    m_listsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listsTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listsTable->setAlternatingRowColors(true);
    new DNDTableDrops(m_listsTable, controller.listsArrayController());

    m_listView = new GroceryListView(controller, this);
    m_listView->hide();
    controller.setTableViews(m_listsTable, m_listView->itemTableView());

    m_count = new QLabel;
    m_count->setAlignment(Qt::AlignCenter);
    m_newList = new QToolButton;
    m_newList->setText(QStringLiteral("+"));
    m_newList->setToolTip(tr("New grocery list"));
    m_newList->setAutoRaise(true);
    connect(m_newList, &QToolButton::clicked, &controller, &GroceryListController::newGroceryList);
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(4, 2, 4, 2);
    bottom->addWidget(m_newList);
    bottom->addWidget(m_count, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_listsTable, 1);
    layout->addLayout(bottom);

    connect(
        &controller, &GroceryListController::listsChanged, this, [this] { m_count->setText(countText()); });
    m_count->setText(countText());
}

QString GroceryListPane::countText() const
{
    return m_controller.groceryListCountString();
}

void GroceryListPane::newGroceryList()
{
    m_controller.newGroceryList();
}
