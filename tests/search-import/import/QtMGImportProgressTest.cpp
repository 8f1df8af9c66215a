#include "QtMGImportProgress.h"

#include <QDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <gtest/gtest.h>

TEST(QtMGImportProgress, SheetOverTheWindowCancelsAndDisablesTheMenus)
{
    QMainWindow window;
    window.menuBar()->addMenu("File");
    QtMGImportProgress progress(&window);
    int cancels = 0;
    progress.beginSheet([&cancels] { ++cancels; });
    auto* dialog = window.findChild<QDialog*>();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);

    progress.setMaximum(40);
    progress.setIndeterminate(false);
    progress.setValue(15);
    auto* bar = dialog->findChild<QProgressBar*>();
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->maximum(), 40);
    EXPECT_EQ(bar->value(), 15);
    progress.setIndeterminate(true);
    EXPECT_EQ(bar->maximum(), 0);

    progress.setImportMenusEnabled(false);
    EXPECT_FALSE(window.menuBar()->isEnabled());
    dialog->reject();
    EXPECT_EQ(cancels, 1);
    progress.endSheet();
    progress.setImportMenusEnabled(true);
    EXPECT_TRUE(window.menuBar()->isEnabled());
    EXPECT_FALSE(dialog->isVisible());
    // After the sheet ended, closing it cancels nothing.
    dialog->reject();
    EXPECT_EQ(cancels, 1);
}
