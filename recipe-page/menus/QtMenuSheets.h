#pragma once

#include "MenuSheets.h"

class QWidget;

// The contextual menus' sheets as window-modal dialogs over the main window.
class QtMenuSheets : public MenuSheets
{
public:
    // The window the sheets are shown over; nullptr: the active window.
    void setParentWindow(QWidget* window) { m_parentWindow = window; }

    int runChangeIngredientSheet(
        QString& name, const std::function<std::optional<QString>(const QString&)>& complete) override;
    int runScaleSheet(ScaleSheet& sheet) override;

private:
    QWidget* parentWindow() const;

    QWidget* m_parentWindow = nullptr;
};
