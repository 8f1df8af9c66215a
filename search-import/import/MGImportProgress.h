#pragma once

#include <QString>
#include <functional>

// The database import's progress sheet and what it does to the rest of the window. The program
// shows a window-modal dialog over the library window; tests record the calls. Main thread only.
class MGImportProgress
{
public:
    virtual ~MGImportProgress() = default;

    // Shows the sheet; `cancel` runs when the user cancels (until endSheet).
    virtual void beginSheet(std::function<void()> cancel) = 0;
    virtual void endSheet() = 0;

    // The bar: busy without a measure while indeterminate, else value of maximum.
    virtual void setIndeterminate(bool indeterminate) = 0;
    virtual void setMaximum(qint64 maximum) = 0;
    virtual void setValue(qint64 value) = 0;
    // The line of text under the bar.
    virtual void setText(const QString& text) = 0;

    // The menu commands that must not run during an import (new and import commands).
    virtual void setImportMenusEnabled(bool enabled) = 0;
    // An alert on the sheet with one default button; returns once it is answered.
    virtual void runAlert(const QString& message) = 0;
};
