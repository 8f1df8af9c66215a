#include "ImportService.h"

#include "Log.h"

#include <QMimeData>
#include <QWidget>

ImportService::ImportService(ImportController::Outlets outlets)
    : m_outlets(std::move(outlets))
{
}

ImportService::~ImportService() = default;

ImportController& ImportService::importController()
{
    if (!m_controller)
        m_controller = std::make_unique<ImportController>(m_outlets);
    return *m_controller;
}

void ImportService::openImportWindow()
{
    QWidget* window = importController().importWindow();
    window->show();
    window->raise();
    window->activateWindow();
}

void ImportService::importTextFromService(
    const QMimeData* pasteboard, const QString& userData, QString* error)
{
    (void)userData;
    const QString type = ImportController::availableType(pasteboard);
    const QString string = type.isEmpty()     ? QString()
        : type == QLatin1String("text/plain") ? pasteboard->text()
                                              : QString::fromUtf8(pasteboard->data(type));
    if (string.isEmpty()) {
        const QString message = tr("Error: Pasteboard doesn't contain a usable string.");
        if (error)
            *error = message;
        Log::logf(QStringLiteral("error: %1"), message);
        return;
    }
    openImportWindow();
    importController().readPasteboardData(pasteboard, true);
}

QString ImportService::importText(const QString& text)
{
    QMimeData pasteboard;
    if (!text.isEmpty())
        pasteboard.setText(text);
    QString error;
    importTextFromService(&pasteboard, QString(), &error);
    return error;
}
