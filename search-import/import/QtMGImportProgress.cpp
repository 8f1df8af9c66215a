#include "QtMGImportProgress.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

QtMGImportProgress::QtMGImportProgress(QWidget* parent)
    : m_parent(parent)
{
}

QtMGImportProgress::~QtMGImportProgress()
{
    delete m_dialog.data();
}

void QtMGImportProgress::makeDialog()
{
    m_dialog = new QDialog(m_parent.data());
    m_dialog->setWindowTitle(QCoreApplication::translate("MGImporter", "Importing Recipes"));
    m_dialog->setWindowModality(m_parent ? Qt::WindowModal : Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(m_dialog.data());
    m_bar = new QProgressBar(m_dialog.data());
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(360);
    m_text = new QLabel(m_dialog.data());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, m_dialog.data());
    layout->addWidget(m_bar);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    // Closing the dialog (Escape, the window's close button) cancels too.
    QObject::connect(m_dialog.data(), &QDialog::rejected, m_dialog.data(), [this] {
        if (std::function<void()> cancel = m_cancel)
            cancel();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, m_dialog.data(), &QDialog::reject);
}

void QtMGImportProgress::beginSheet(std::function<void()> cancel)
{
    if (!m_dialog)
        makeDialog();
    m_cancel = std::move(cancel);
    m_dialog->open();
}

void QtMGImportProgress::endSheet()
{
    m_cancel = nullptr;
    if (m_dialog)
        m_dialog->hide();
}

void QtMGImportProgress::setIndeterminate(bool indeterminate)
{
    m_indeterminate = indeterminate;
    if (!m_dialog)
        makeDialog();
    // QProgressBar shows a busy bar for a range of 0 to 0; its values are int.
    m_bar->setRange(0, indeterminate ? 0 : int(std::min<qint64>(m_maximum, std::numeric_limits<int>::max())));
}

void QtMGImportProgress::setMaximum(qint64 maximum)
{
    m_maximum = maximum;
    setIndeterminate(m_indeterminate);
}

void QtMGImportProgress::setValue(qint64 value)
{
    if (!m_dialog)
        makeDialog();
    m_bar->setValue(int(std::min<qint64>(value, std::numeric_limits<int>::max())));
}

void QtMGImportProgress::setText(const QString& text)
{
    if (!m_dialog)
        makeDialog();
    m_text->setText(text);
}

void QtMGImportProgress::setImportMenusEnabled(bool enabled)
{
    if (!m_parent)
        return;
    if (auto* menuBar = m_parent->findChild<QMenuBar*>())
        menuBar->setEnabled(enabled);
}

void QtMGImportProgress::runAlert(const QString& message)
{
    QWidget* over = m_dialog && m_dialog->isVisible() ? m_dialog.data() : m_parent.data();
    QMessageBox box(QMessageBox::Warning, QString(), message, QMessageBox::Ok, over);
    box.exec();
}
