#pragma once

#include "Presenter.h"

#include <QList>
#include <QQueue>
#include <functional>
#include <optional>

class QPrinter;

// Presenter double: records every error, alert and setup question, and answers from queues a
// test fills (an empty queue answers the first button and the empty library).
class RecordingPresenter : public Presenter
{
public:
    struct Alert {
        QString message;
        QStringList buttons;
    };

    void presentError(const Error& error) override { errors.append(error); }
    int runAlert(const QString& message, const QStringList& buttons) override
    {
        alerts.append({ message, buttons });
        return alertAnswers.isEmpty() ? 0 : alertAnswers.dequeue();
    }
    LibraryChoice chooseStartingLibrary() override
    {
        ++libraryQuestions;
        return libraryAnswers.isEmpty() ? LibraryChoice::Empty : libraryAnswers.dequeue();
    }

    bool runPrintPanel(QPrinter& printer) override
    {
        ++printPanels;
        if (printHook)
            printHook(printer);
        return printAnswer;
    }

    QStringList runOpenPanel(const OpenPanel& panel) override
    {
        openPanels.append(panel);
        return openAnswers.isEmpty() ? QStringList() : openAnswers.dequeue();
    }

    // Opens like the program's panel: sent with the panel, then with the pop-up when `popUpTag`
    // is set; answers `exportAnswer` (empty: cancelled).
    QString runExportPanel(const ExportPanel& panel) override
    {
        exportPanels.append(panel);
        ExportTypeSender sender;
        sender.kind = ExportTypeSender::Kind::SavePanel;
        sender.setRequiredFileType
            = [this](const QString& extension) { requiredFileTypes.append(extension); };
        panel.selectExportType(&sender);
        if (popUpTag) {
            sender.kind = ExportTypeSender::Kind::PopUp;
            sender.tag = *popUpTag;
            panel.selectExportType(&sender);
        }
        return exportAnswer;
    }

    QString runAddIngredientSheet(std::function<std::optional<QString>(const QString&)> complete) override
    {
        ++ingredientSheets;
        ingredientCompletion = complete;
        return ingredientAnswer;
    }

    QList<Error> errors;
    QList<Alert> alerts;
    int libraryQuestions = 0;
    QQueue<int> alertAnswers;
    QQueue<LibraryChoice> libraryAnswers;
    int printPanels = 0;
    bool printAnswer = false;
    std::function<void(QPrinter&)> printHook; // sets the printer up as a user would
    QList<OpenPanel> openPanels;
    QQueue<QStringList> openAnswers;
    QList<ExportPanel> exportPanels;
    std::optional<int> popUpTag;
    QString exportAnswer;
    QStringList requiredFileTypes;
    int ingredientSheets = 0;
    QString ingredientAnswer; // empty: cancelled
    std::function<std::optional<QString>(const QString&)> ingredientCompletion;
};
