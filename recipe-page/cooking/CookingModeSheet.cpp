#include "CookingModeSheet.h"

#include "RVFullScreenController.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CookingModeSheet::CookingModeSheet(QWidget* parent)
    : QDialog(parent)
    , m_dontShowAgain(new QCheckBox(tr("Don't show this again"), this))
{
    setWindowTitle(tr("Cooking Mode"));
    setWindowModality(Qt::WindowModal);

    auto* title = new QLabel(tr("<b>Cook from the recipe, one direction at a time</b>"), this);
    auto* text
        = new QLabel(tr("Cooking mode fills the screen with the recipe's ingredients and its directions in "
                        "large type. Move between directions with the arrow keys, the buttons at the "
                        "bottom or a remote control; Play moves on by itself and reads each "
                        "direction aloud. Press Escape to leave."),
            this);
    text->setWordWrap(true);
    QStringList quoted;
    for (const QString& command : RVFullScreenController::speechCommands())
        quoted.append(QStringLiteral("“%1”").arg(command));
    auto* commands = new QLabel(tr("With listening turned on (the microphone button), say one of: %1.")
                                    .arg(quoted.join(QStringLiteral(", "))),
        this);
    commands->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    QPushButton* goOn = buttons->addButton(tr("Continue"), QDialogButtonBox::AcceptRole);
    goOn->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(text);
    layout->addWidget(commands);
    layout->addSpacing(8);
    layout->addWidget(m_dontShowAgain);
    layout->addWidget(buttons);
    setFixedWidth(460);
}

bool CookingModeSheet::showAgain() const
{
    return !m_dontShowAgain->isChecked();
}

bool CookingModeSheet::run(QWidget* window, bool& showAgain)
{
    CookingModeSheet sheet(window);
    const bool goOn = sheet.exec() == QDialog::Accepted;
    showAgain = sheet.showAgain();
    return goOn;
}
