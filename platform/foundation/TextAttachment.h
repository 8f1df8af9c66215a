#pragma once

#include <QMetaType>
#include <QSizeF>
#include <QString>

// The object character U+FFFC stands for in an attributed string, stored under
// NSAttachmentAttributeName. It only says which cell shows it; the text view draws the cells.
struct TextAttachment {
    enum class Cell {
        None,   // nothing drawn
        Line,   // a horizontal rule across the line
        Button, // a push button showing the title
        Image,  // the named icon, drawn at imageSize
    };

    Cell cell = Cell::None;
    QString title;
    QString imageName;
    QSizeF imageSize;

    bool operator==(const TextAttachment&) const = default;
};

Q_DECLARE_METATYPE(TextAttachment)
