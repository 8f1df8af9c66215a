#pragma once

#include <QMetaType>
#include <QString>

// The object character U+FFFC stands for in an attributed string, stored under
// NSAttachmentAttributeName. It only says which cell shows it; the text view draws the cells.
struct TextAttachment {
    enum class Cell {
        None, // nothing drawn
        Line, // a horizontal rule across the line
        Button, // a push button showing the title
        Image, // the icon that the title names, drawn at icon size (16 x 16 points)
    };

    Cell cell = Cell::None;
    QString title;

    bool operator==(const TextAttachment&) const = default;
};

Q_DECLARE_METATYPE(TextAttachment)
