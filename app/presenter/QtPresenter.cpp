#include "QtPresenter.h"

#include "AutoCompletingTextField.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

QString tr(const char* text)
{
    return QCoreApplication::translate("Kitchora", text);
}

// A sheet is a dialog modal to its window only.
void makeSheet(QMessageBox& box, QWidget* parent)
{
    if (parent)
        box.setWindowModality(Qt::WindowModal);
}

} // namespace

QtPresenter::QtPresenter(QWidget* parent)
    : m_parent(parent)
{
}

void QtPresenter::presentError(const Error& error)
{
    QMessageBox box(QMessageBox::Warning, QString(), error.localizedDescription, QMessageBox::Ok, m_parent);
    makeSheet(box, m_parent);
    box.exec();
}

int QtPresenter::runAlert(const QString& message, const QStringList& buttons)
{
    QMessageBox box(QMessageBox::Warning, QString(), message, QMessageBox::NoButton, m_parent);
    QList<QAbstractButton*> made;
    for (const QString& title : buttons)
        made.append(box.addButton(title, made.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    if (!made.isEmpty())
        box.setDefaultButton(static_cast<QPushButton*>(made.first()));
    box.exec();
    const qsizetype chosen = made.indexOf(box.clickedButton());
    // Closing the box without a button counts as the last (cancelling) one.
    return chosen >= 0 ? int(chosen) : int(made.size()) - 1;
}

Presenter::LibraryChoice QtPresenter::chooseStartingLibrary()
{
    QMessageBox box(QMessageBox::Question, tr("Welcome to Kitchora"),
        tr("Would you like to start with a sample library of recipes, or with an empty library?"),
        QMessageBox::NoButton, m_parent);
    QAbstractButton* sample = box.addButton(tr("Sample Library"), QMessageBox::AcceptRole);
    box.addButton(tr("Empty Library"), QMessageBox::RejectRole);
    box.setDefaultButton(static_cast<QPushButton*>(sample));
    makeSheet(box, m_parent);
    box.exec();
    return box.clickedButton() == sample ? LibraryChoice::Sample : LibraryChoice::Empty;
}

bool QtPresenter::runPrintPanel(QPrinter& printer)
{
    QPrintDialog dialog(&printer, m_parent);
    return dialog.exec() == QDialog::Accepted;
}

namespace
{

// A window-modal dialog with a prompt, a field and the given buttons, each ending the dialog with
// its return code.
Presenter::UsernameSheetAnswer runNameSheet(QWidget* parent, const QString& title, const QString& prompt,
    QLineEdit* field, const QList<std::pair<QString, int>>& buttons)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    if (parent)
        dialog.setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(prompt);
    label->setWordWrap(true);
    layout->addWidget(label);
    field->setParent(&dialog);
    layout->addWidget(field);
    auto* box = new QDialogButtonBox;
    for (const auto& [text, code] : buttons) {
        QPushButton* button = box->addButton(text, QDialogButtonBox::ActionRole);
        const int returnCode = code;
        QObject::connect(
            button, &QPushButton::clicked, &dialog, [&dialog, returnCode] { dialog.done(returnCode); });
        if (code == Presenter::kSheetSave)
            button->setDefault(true);
    }
    layout->addWidget(box);
    const int code = dialog.exec();
    return { code, field->text() };
}

} // namespace

Presenter::UsernameSheetAnswer QtPresenter::runEditUsernameSheet(const QString& name)
{
    auto* field = new QLineEdit(name);
    return runNameSheet(m_parent, tr("Online User Name"),
        tr("The name other cooks see beside the recipes you share:"), field,
        { { tr("Lost User Name…"), kSheetLostUsername }, { tr("Cancel"), kSheetCancel },
            { tr("Save"), kSheetSave } });
}

Presenter::UsernameSheetAnswer QtPresenter::runFirstSubmitUsernameSheet()
{
    auto* field = new QLineEdit;
    return runNameSheet(m_parent, tr("Share Recipe"),
        tr("Choose a user name to share your recipes with other cooks:"), field,
        { { tr("Never Share Automatically"), kSheetNeverShare }, { tr("Not Now"), kSheetCancel },
            { tr("Create and Share"), kSheetSave } });
}

std::optional<QString> QtPresenter::runAddIngredientSheet(
    const std::function<std::optional<QString>(const QString&)>& complete)
{
    auto* field = new AutoCompletingTextField;
    field->setCompletionProvider(complete);
    const UsernameSheetAnswer answer = runNameSheet(m_parent, tr("Add Ingredient"), tr("Ingredient:"), field,
        { { tr("Cancel"), kSheetCancel }, { tr("Add"), kSheetSave } });
    if (answer.returnCode != kSheetSave)
        return std::nullopt;
    return answer.name;
}

void QtPresenter::beep()
{
    QApplication::beep();
}

int QtPresenter::runSuppressibleAlert(
    const QString& title, const QString& informative, const QStringList& buttons, bool* suppress)
{
    QMessageBox box(QMessageBox::Information, title, title, QMessageBox::NoButton, m_parent);
    box.setInformativeText(informative);
    auto* checkBox = new QCheckBox(tr("Do not ask again"));
    box.setCheckBox(checkBox);
    QList<QAbstractButton*> made;
    for (const QString& text : buttons)
        made.append(box.addButton(text, made.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    if (!made.isEmpty())
        box.setDefaultButton(static_cast<QPushButton*>(made.first()));
    box.exec();
    if (suppress)
        *suppress = checkBox->isChecked();
    const qsizetype chosen = made.indexOf(box.clickedButton());
    return chosen >= 0 ? int(chosen) : int(made.size()) - 1;
}

QStringList QtPresenter::runOpenPanel(const OpenPanel& panel)
{
    QFileDialog dialog(m_parent, panel.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(panel.multipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (!panel.fileTypes.isEmpty()) {
        QStringList patterns;
        for (const QString& type : panel.fileTypes)
            patterns.append(QStringLiteral("*.") + type);
        // The panel has no message line: the message names the filter. Filters match case, so
        // each extension is offered in both cases.
        dialog.setNameFilter(panel.message + QStringLiteral(" (") + patterns.join(u' ') + u' '
            + patterns.join(u' ').toUpper() + u')');
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString QtPresenter::runExportPanel(const ExportPanel& panel)
{
    QFileDialog dialog(m_parent, panel.title);
    // The format pop-up sits inside the panel, which only Qt's own dialog allows.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setLabelText(QFileDialog::Accept, panel.prompt);
    dialog.selectFile(panel.suggestedName);
    QString required;
    auto setRequired = [&dialog, &required](const QString& extension) {
        required = extension;
        dialog.setDefaultSuffix(extension);
        dialog.setNameFilter(QStringLiteral("*.") + extension);
    };

    auto* popUp = new QComboBox(&dialog);
    for (const auto& [title, tag] : panel.formats)
        popUp->addItem(title, tag);
    popUp->setCurrentIndex(std::max(0, popUp->findData(panel.selectedFormat)));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(tr("Format:"), &dialog), row, 0);
        grid->addWidget(popUp, row, 1);
    }

    ExportTypeSender panelSender { ExportTypeSender::Kind::SavePanel, 0, setRequired };
    if (panel.selectExportType)
        panel.selectExportType(&panelSender);
    QObject::connect(popUp, &QComboBox::currentIndexChanged, &dialog, [&](int) {
        ExportTypeSender popUpSender { ExportTypeSender::Kind::PopUp, popUp->currentData().toInt(),
            setRequired };
        if (panel.selectExportType)
            panel.selectExportType(&popUpSender);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString path = dialog.selectedFiles().first();
    if (!required.isEmpty() && QFileInfo(path).suffix().compare(required, Qt::CaseInsensitive) != 0)
        path += u'.' + required;
    return path;
}
