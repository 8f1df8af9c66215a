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

    UsernameSheetAnswer runEditUsernameSheet(const QString& name) override
    {
        usernameSheets.append(name);
        return usernameAnswers.isEmpty() ? UsernameSheetAnswer { kSheetCancel, name }
                                         : usernameAnswers.dequeue();
    }
    UsernameSheetAnswer runFirstSubmitUsernameSheet() override
    {
        usernameSheets.append(QStringLiteral("<first submit>"));
        return usernameAnswers.isEmpty() ? UsernameSheetAnswer {} : usernameAnswers.dequeue();
    }
    std::optional<QString> runAddIngredientSheet(
        const std::function<std::optional<QString>(const QString&)>& complete) override
    {
        ++ingredientSheets;
        lastCompletion = complete;
        return ingredientAnswers.isEmpty() ? std::nullopt : ingredientAnswers.dequeue();
    }
    void beep() override { ++beeps; }
    int runSuppressibleAlert(
        const QString& title, const QString& informative, const QStringList& buttons, bool* suppress) override
    {
        alerts.append({ title + QStringLiteral("\n\n") + informative, buttons });
        if (suppress)
            *suppress = suppressAnswer;
        return alertAnswers.isEmpty() ? 0 : alertAnswers.dequeue();
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
    QStringList usernameSheets; // the name each user-name sheet started with
    QQueue<UsernameSheetAnswer> usernameAnswers; // empty: cancel
    int ingredientSheets = 0;
    QQueue<std::optional<QString>> ingredientAnswers; // empty: cancel
    std::function<std::optional<QString>(const QString&)> lastCompletion;
    int beeps = 0;
    bool suppressAnswer = false; // the checkbox of suppressible alerts
};
