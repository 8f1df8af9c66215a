#include "CookingModeSheet.h"

#include "RVFullScreenController.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(CookingModeSheetTest, NamesEverySpokenCommandAndRemembersNotAgain)
{
    CookingModeSheet sheet;
    QString text;
    for (const QLabel* label : sheet.findChildren<QLabel*>())
        text += label->text();
    for (const QString& command : RVFullScreenController::speechCommands())
        EXPECT_TRUE(text.contains(QStringLiteral("“%1”").arg(command))) << command.toStdString();

    EXPECT_TRUE(sheet.showAgain());
    auto* notAgain = sheet.findChild<QCheckBox*>();
    ASSERT_TRUE(notAgain);
    notAgain->click();
    EXPECT_FALSE(sheet.showAgain());

    // Return goes on to cooking mode.
    auto* buttons = sheet.findChild<QDialogButtonBox*>();
    ASSERT_TRUE(buttons);
    QPushButton* goOn = nullptr;
    for (QAbstractButton* button : buttons->buttons()) {
        if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
            goOn = qobject_cast<QPushButton*>(button);
    }
    ASSERT_TRUE(goOn);
    EXPECT_TRUE(goOn->isDefault());
    goOn->click();
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
}
