#pragma once

#include "Error.h"

#include <QString>
#include <QStringList>

class QPrinter;

// The modal alerts, sheets and panels the application controller shows. One implementation
// shows Qt dialogs; tests replace it with one that records and answers from a script.
// Main thread only; every call returns once the user has answered.
class Presenter
{
public:
    // The choice of the first-run setup sheet.
    enum class LibraryChoice { Empty, Sample };

    virtual ~Presenter() = default;

    // Shows the error to the user.
    virtual void presentError(const Error& error) = 0;
    // An alert with `message` and one button per entry of `buttons` (the first is the default);
    // answers the index of the button chosen.
    virtual int runAlert(const QString& message, const QStringList& buttons) = 0;
    // The first-run sheet: start with the sample library or with an empty one.
    virtual LibraryChoice chooseStartingLibrary() = 0;
    // The print panel for `printer`: whether the user chose to print, with `printer` set up as
    // the user left it.
    virtual bool runPrintPanel(QPrinter& printer) = 0;
};
