#pragma once

#include <QString>

// What the application controller and the scripting service ask of the import window.
// Main thread only.
class ImportWindowService
{
public:
    virtual ~ImportWindowService() = default;

    // Brings the import window to the front, made on first use.
    virtual void openImportWindow() = 0;
    // Opens the import window with `text` in place of what it held (text and areas), as text
    // handed over by another program; answers the message for the sender when the text is of no
    // use (nothing changes then), else "".
    virtual QString importText(const QString& text) = 0;
};
