#pragma once

#include "MGImportProgress.h"
#include "RunLoop.h"

#include <QStringList>

// Records what the importer shows; can press Cancel as the bar reaches a value, the click
// arriving (as it does in the program) once the running batch has handed back to the run loop.
class FakeMGImportProgress : public MGImportProgress
{
public:
    void beginSheet(std::function<void()> cancel) override
    {
        ++begun;
        sheetUp = true;
        m_cancel = std::move(cancel);
    }
    void endSheet() override
    {
        ++ended;
        sheetUp = false;
        m_cancel = nullptr;
    }
    void setIndeterminate(bool value) override { indeterminate = value; }
    void setMaximum(qint64 value) override { maximum = value; }
    void setValue(qint64 value) override
    {
        this->value = value;
        if (value == cancelAtValue && m_cancel) {
            std::function<void()> cancel = m_cancel;
            RunLoop::postToMain(cancel);
        }
    }
    void setText(const QString& text) override { texts.append(text); }
    void setImportMenusEnabled(bool enabled) override
    {
        menusEnabled = enabled;
        ++menuChanges;
    }
    void runAlert(const QString& message) override { alerts.append(message); }

    int begun = 0;
    int ended = 0;
    bool sheetUp = false;
    bool indeterminate = false;
    qint64 maximum = -1;
    qint64 value = -1;
    qint64 cancelAtValue = -1;
    QStringList texts;
    bool menusEnabled = true;
    int menuChanges = 0;
    QStringList alerts;

private:
    std::function<void()> m_cancel;
};
