#pragma once

#include <QWidget>

class PolishedHeader;
class QPushButton;

// Shown in place of the recipe list while a device collection is selected: what sharing with a
// device does, and a way to its preferences. The recipes a device sent arrive in Recent Imports.
class DropboxSharingInfoView : public QWidget
{
    Q_OBJECT

public:
    explicit DropboxSharingInfoView(QWidget* parent = nullptr);

    // Titled "Sharing", like the header it stands in for.
    PolishedHeader* header() const { return m_header; }
    QPushButton* preferencesButton() const { return m_preferencesButton; }

signals:
    void openSharingPreferences();

private:
    PolishedHeader* m_header = nullptr;
    QPushButton* m_preferencesButton = nullptr;
};
