#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// Shown in place of the recipe list while a device collection is selected: what sharing with a
// device does, and a way to its preferences. The recipes a device sent arrive in Recent Imports.
class DropboxSharingInfoView : public QWidget
{
    Q_OBJECT

public:
    explicit DropboxSharingInfoView(QWidget* parent = nullptr);

    QLabel* header() const { return m_header; }
    QPushButton* preferencesButton() const { return m_preferencesButton; }

signals:
    void openSharingPreferences();

private:
    QLabel* m_header = nullptr;
    QPushButton* m_preferencesButton = nullptr;
};
