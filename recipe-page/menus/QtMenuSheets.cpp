#include "QtMenuSheets.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QWidget* QtMenuSheets::parentWindow() const
{
    return m_parentWindow ? m_parentWindow : QApplication::activeWindow();
}

namespace
{

QDialogButtonBox* changeAndCancel(QDialog& dialog)
{
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QDialog::tr("Change"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

} // namespace

int QtMenuSheets::runChangeIngredientSheet(
    QString& name, const std::function<std::optional<QString>(const QString&)>& complete)
{
    QDialog dialog(parentWindow());
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setWindowTitle(QDialog::tr("Change Ingredient"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QDialog::tr("Change the ingredient to:")));
    auto* field = new QLineEdit(name);
    field->selectAll();
    layout->addWidget(field);
    layout->addWidget(changeAndCancel(dialog));
    // Typing completes in place: the rest of the first known name is added, selected.
    QObject::connect(field, &QLineEdit::textEdited, field, [field, complete](const QString& text) {
        if (!complete || text.isEmpty() || field->cursorPosition() != text.size())
            return;
        const std::optional<QString> completion = complete(text);
        if (!completion || completion->size() <= text.size()
            || !completion->startsWith(text, Qt::CaseInsensitive))
            return;
        field->setText(text + completion->mid(text.size()));
        field->setSelection(int(text.size()), int(completion->size() - text.size()));
    });
    const int code = dialog.exec() == QDialog::Accepted ? 1 : 0;
    name = field->text();
    return code;
}

int QtMenuSheets::runScaleSheet(ScaleSheet& sheet)
{
    QDialog dialog(parentWindow());
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setWindowTitle(QDialog::tr("Scale"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* recipeCaption = new QLabel(QDialog::tr("Scale the recipe by:"));
    auto* ingredientCaption = new QLabel(QDialog::tr("Scale the ingredient by:"));
    layout->addWidget(recipeCaption);
    layout->addWidget(ingredientCaption);
    auto* popup = new QComboBox;
    const struct {
        const char* title;
        int tag;
    } factors[] = { { "Half", 1 }, { "Double", 2 }, { "Triple", 3 }, { "Quadruple", 4 }, { "Custom…", 5 } };
    for (const auto& factor : factors)
        popup->addItem(QDialog::tr(factor.title), factor.tag);
    layout->addWidget(popup);
    auto* customRow = new QWidget;
    auto* customLayout = new QFormLayout(customRow);
    customLayout->setContentsMargins(0, 0, 0, 0);
    auto* customField = new QLineEdit;
    customLayout->addRow(QDialog::tr("Factor:"), customField);
    layout->addWidget(customRow);
    layout->addWidget(changeAndCancel(dialog));

    auto show = [&] {
        recipeCaption->setVisible(sheet.recipeCaptionVisible());
        ingredientCaption->setVisible(sheet.ingredientCaptionVisible());
        popup->setVisible(sheet.popupVisible());
        customRow->setVisible(sheet.customFieldVisible());
        popup->setCurrentIndex(popup->findData(sheet.selectedTag()));
        if (sheet.customFieldFocused())
            customField->setFocus();
    };
    show();
    QObject::connect(popup, &QComboBox::activated, &dialog, [&](int index) {
        sheet.changeYieldPopup(popup->itemData(index).toInt());
        show();
    });
    QObject::connect(customField, &QLineEdit::textChanged, &dialog,
        [&](const QString& text) { sheet.setCustomValue(text); });
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}
