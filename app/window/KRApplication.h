#pragma once

#include <QApplication>

// The program's application object. Main thread only; one per process.
class KRApplication : public QApplication
{
    Q_OBJECT

public:
    // Sets the organisation and application names ("Kitchora"), which name the per-user folders.
    KRApplication(int& argc, char** argv);

    // Empty when Qt can open windows here; otherwise the one line to tell the user why not. Read
    // before the application object exists: without a display Qt's default platform aborts.
    static QString missingDisplayMessage();
};
