#include "QtPresenter.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>

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
