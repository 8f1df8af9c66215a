#include "GroceryListPane.h"

#include "GroceryFixture.h"
#include "GroceryItemTableView.h"
#include "GroceryItemsTableModel.h"
#include "GroceryListController.h"
#include "GroceryListPrintView.h"
#include "GroceryListView.h"
#include "HighlightingDeletableTableView.h"
#include "RecordingPresenter.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextLayout>

namespace
{

class GroceryListPaneTest : public GroceryFixture
{
protected:
    static QStringList rows(const QAbstractItemModel& model, int column)
    {
        QStringList result;
        for (int row = 0; row < model.rowCount(); ++row)
            result.append(model.index(row, column).data().toString());
        return result;
    }

    RecordingPresenter presenter;
};

TEST_F(GroceryListPaneTest, AListMadeFromTwoRecipesShowsItsItems)
{
    setMeasurementSystem(1);
    RecipeMO* soup = recipeWithLines("Soup", { "2 carrots", "200 ml milk" });
    RecipeMO* cake = recipeWithLines("Cake", { "300 ml milk", "3 eggs" });
    GroceryListController controller(presenter);
    GroceryListPane pane(controller);
    GroceryListView* view = pane.groceryListView();
    // Shown on its own, as the window shows it beside the pane.
    view->setParent(nullptr);
    const std::unique_ptr<GroceryListView> owned(view);
    pane.resize(300, 400);
    view->resize(500, 400);
    pane.show();
    view->show();
    EXPECT_FALSE(view->printButton()->isEnabled()) << "no list, nothing to print";

    controller.createGroceryListWithRecipes(QList<ManagedObject*> { soup, cake });
    const QAbstractItemModel* lists = pane.listsTableView()->model();
    ASSERT_EQ(lists->rowCount(), 1);
    EXPECT_TRUE(lists->index(0, 0).data().toString().startsWith("Untitled Grocery List"));
    EXPECT_EQ(pane.listsTableView()->selectedRows(), QList<int> { 0 });
    EXPECT_EQ(pane.countText(), "1 Grocery List");

    const QAbstractItemModel* items = view->itemTableView()->model();
    EXPECT_EQ(rows(*items, GroceryItemsTableModel::NameColumn), (QStringList { "carrot", "milk", "egg" }));
    EXPECT_EQ(rows(*items, GroceryItemsTableModel::AmountColumn), (QStringList { "2", "500 ml", "3" }));
    EXPECT_TRUE(view->printButton()->isEnabled());
    // The table is as tall as its rows; the pane around it scrolls.
    EXPECT_EQ(view->itemTableView()->height(), view->itemTableView()->heightForAllRows());

    // Ticking "have it" is stored in the list.
    auto* model = const_cast<QAbstractItemModel*>(items);
    ASSERT_TRUE(model->setData(
        model->index(2, GroceryItemsTableModel::HaveItColumn), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(controller.selectedGroceryList()->items().at(2).haveIt());
    EXPECT_EQ(model->index(2, GroceryItemsTableModel::HaveItColumn).data(Qt::CheckStateRole).toInt(),
        int(Qt::Checked));

    // Add Item: a placeholder row at the end whose name is being edited.
    view->addItemButton()->click();
    EXPECT_EQ(items->rowCount(), 4);
    EXPECT_EQ(view->itemTableView()->viewport()->findChildren<QLineEdit*>().size(), 1) << "being edited";
    EXPECT_EQ(view->itemTableView()->currentIndex(), items->index(3, GroceryItemsTableModel::NameColumn));
}

TEST_F(GroceryListPaneTest, PrintingBreaksPagesBetweenLines)
{
    QList<GroceryItem> many;
    for (int i = 0; i < 150; ++i)
        many.append(item(QStringLiteral("item %1 ").arg(i).repeated(i % 7 == 0 ? 12 : 1), "2 kg"));
    const GroceryList list(QStringLiteral("Party"), QDateTime::currentDateTime(), many);
    GroceryListPrintView printView(list);
    const QSizeF page(400, 300);
    const int pages = printView.knowsPageRange(page);
    EXPECT_GT(pages, 10);

    // No line straddles a page break.
    const QTextDocument& document = printView.document();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        for (int l = 0; l < layout->lineCount(); ++l) {
            const QTextLine line = layout->lineAt(l);
            const double top = layout->position().y() + line.y();
            const int onPage = int(top / page.height());
            EXPECT_LE(top + line.height(), (onPage + 1) * page.height() + 0.5) << block.text().toStdString();
        }
    }

    // A page shorter than a line still counts pages.
    EXPECT_GE(printView.knowsPageRange(QSizeF(400, 1)), 1);
}

TEST_F(GroceryListPaneTest, PrintGoesThroughThePrintPanel)
{
    GroceryListController controller(presenter);
    GroceryListView view(controller);
    view.print();
    EXPECT_EQ(presenter.printPanels, 0) << "no list, no panel";

    GroceryList* list = controller.createNewGroceryList();
    list->setItems({ item("lemons", "3") });
    controller.selectGroceryList(list);
    QTemporaryDir folder;
    const QString pdf = folder.filePath("list.pdf");
    presenter.printHook = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    };
    view.print();
    EXPECT_EQ(presenter.printPanels, 1);
    EXPECT_FALSE(QFile::exists(pdf)) << "cancelled";
    presenter.printAnswer = true;
    view.print();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("%PDF"));
}

} // namespace
