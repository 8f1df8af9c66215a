#pragma once

#include "Presenter.h"

#include <QList>
#include <QQueue>

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

    QList<Error> errors;
    QList<Alert> alerts;
    int libraryQuestions = 0;
    QQueue<int> alertAnswers;
    QQueue<LibraryChoice> libraryAnswers;
};
