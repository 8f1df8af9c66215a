#pragma once

#include "Presenter.h"

#include <QList>
#include <QQueue>
#include <functional>

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

    QList<Error> errors;
    QList<Alert> alerts;
    int libraryQuestions = 0;
    QQueue<int> alertAnswers;
    QQueue<LibraryChoice> libraryAnswers;
    int printPanels = 0;
    bool printAnswer = false;
    std::function<void(QPrinter&)> printHook; // sets the printer up as a user would
};
