#pragma once

#include "MGImportProgress.h"

#include <QPointer>
#include <QWidget>

class QDialog;
class QLabel;
class QProgressBar;

// The database import's sheet: a window-modal dialog over the library window with a bar, a line
// of text and Cancel. While it is up the window's menu bar is disabled. The parent window is not
// owned and may go away.
class QtMGImportProgress : public MGImportProgress
{
public:
    explicit QtMGImportProgress(QWidget* parent = nullptr);
    ~QtMGImportProgress() override;

    void setParentWindow(QWidget* parent) { m_parent = parent; }

    void beginSheet(std::function<void()> cancel) override;
    void endSheet() override;
    void setIndeterminate(bool indeterminate) override;
    void setMaximum(qint64 maximum) override;
    void setValue(qint64 value) override;
    void setText(const QString& text) override;
    void setImportMenusEnabled(bool enabled) override;
    void runAlert(const QString& message) override;

private:
    void makeDialog();

    QPointer<QWidget> m_parent;
    // Owned by the parent window while it lives, else deleted here.
    QPointer<QDialog> m_dialog;
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
    std::function<void()> m_cancel;
    qint64 m_maximum = 0;
    bool m_indeterminate = true;
};
