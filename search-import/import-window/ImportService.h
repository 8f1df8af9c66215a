#pragma once

#include "ImportController.h"
#include "ImportWindowService.h"

#include <QCoreApplication>
#include <memory>

class QMimeData;

// Text that other programs hand over (through the session bus, or `kitchora --import-text` on
// standard input) opens the import window in place of what it held. Owns the import controller,
// made with its window on first use. Main thread only.
class ImportService : public ImportWindowService
{
    Q_DECLARE_TR_FUNCTIONS(ImportService)

public:
    explicit ImportService(ImportController::Outlets outlets = {});
    ~ImportService() override;

    ImportController& importController();
    bool hasImportController() const { return m_controller != nullptr; }

    // The entry point: reads the first supported type of the clipboard data into the window.
    // Data with none of those types, or an empty string for it, leaves `error` set to the
    // message for the sender and the window untouched.
    void importTextFromService(const QMimeData* pasteboard, const QString& userData, QString* error);

    // ImportWindowService
    void openImportWindow() override;
    QString importText(const QString& text) override;

private:
    ImportController::Outlets m_outlets;
    std::unique_ptr<ImportController> m_controller;
};
