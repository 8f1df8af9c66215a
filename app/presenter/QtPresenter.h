#pragma once

#include "Presenter.h"

#include <QPointer>
#include <QWidget>

// Presents through QMessageBox: window-modal on the parent window where the controller would
// show a sheet, application-modal without one. The parent is not owned and may go away.
class QtPresenter : public Presenter
{
public:
    explicit QtPresenter(QWidget* parent = nullptr);

    void setParentWindow(QWidget* parent) { m_parent = parent; }

    void presentError(const Error& error) override;
    int runAlert(const QString& message, const QStringList& buttons) override;
    LibraryChoice chooseStartingLibrary() override;
    bool runPrintPanel(QPrinter& printer) override;
    QStringList runOpenPanel(const OpenPanel& panel) override;
    QString runExportPanel(const ExportPanel& panel) override;
    UsernameSheetAnswer runEditUsernameSheet(const QString& name) override;
    UsernameSheetAnswer runFirstSubmitUsernameSheet() override;
    std::optional<QString> runAddIngredientSheet(
        const std::function<std::optional<QString>(const QString&)>& complete) override;
    void beep() override;
    int runSuppressibleAlert(const QString& title, const QString& informative, const QStringList& buttons,
        bool* suppress) override;

private:
    QPointer<QWidget> m_parent;
};
