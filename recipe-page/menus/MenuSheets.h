#pragma once

#include "ScaleSheet.h"

#include <QString>
#include <functional>
#include <optional>

// The two sheets of the contextual menus, behind one interface so tests answer them. Each call
// returns once the user has answered, with the sheet's return code: 1 for the Change button, 0 for
// Cancel.
class MenuSheets
{
public:
    virtual ~MenuSheets() = default;

    // The change-ingredient sheet: its field starts with `name` and completes through `complete`;
    // the field's text is left in `name`.
    virtual int runChangeIngredientSheet(
        QString& name, const std::function<std::optional<QString>(const QString&)>& complete)
        = 0;
    // The scale sheet, reporting the user's choices to `sheet`.
    virtual int runScaleSheet(ScaleSheet& sheet) = 0;
};
