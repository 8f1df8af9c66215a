#pragma once

#include <Qt>

// The item-model roles the cells read besides Qt's own. Every cell reads its value from
// Qt::DisplayRole (a rating number, a date, a level number, a text) and writes an edited one to
// Qt::EditRole; the icon cell's picture is Qt::DecorationRole.
namespace CellRoles
{

enum : int {
    // The model object an index stands for (a QVariant of the object), for the tree helpers.
    RepresentedObjectRole = Qt::UserRole + 0x400,
    // A results header row: the count text (QString) of its badge and its disclosure triangle
    // (QPainterPath, centred on the origin; none for no triangle). Its title is Qt::DisplayRole.
    CountStringValueRole,
    DisclosurePathRole,
};

} // namespace CellRoles
