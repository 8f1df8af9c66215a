#include "QtPresenter.h"

#include <QComboBox>
#include <QCoreApplication>
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

QString QtPresenter::runAddIngredientSheet(std::function<std::optional<QString>(const QString&)> complete)
{
    QDialog sheet(m_parent);
    if (m_parent)
        sheet.setWindowModality(Qt::WindowModal);
    sheet.setWindowTitle(tr("Add Ingredient"));
    auto* layout = new QVBoxLayout(&sheet);
    layout->addWidget(new QLabel(tr("Ingredient name:"), &sheet));
    auto* field = new QLineEdit(&sheet);
    layout->addWidget(field);
    auto* buttons = new QDialogButtonBox(&sheet);
    buttons->addButton(tr("Add"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &sheet, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &sheet, &QDialog::reject);
    // Typing completes in place: the completed tail is selected, so the next key replaces it.
    QObject::connect(field, &QLineEdit::textEdited, &sheet, [field, complete](const QString& typed) {
        const std::optional<QString> whole = complete ? complete(typed) : std::nullopt;
        if (!whole || whole->size() <= typed.size() || !whole->startsWith(typed, Qt::CaseInsensitive))
            return;
        field->setText(typed + whole->mid(typed.size()));
        field->setSelection(int(typed.size()), int(whole->size() - typed.size()));
    });
    if (sheet.exec() != QDialog::Accepted)
        return {};
    return field->text().trimmed();
}
