#pragma once

#include <QList>
#include <QMetaType>
#include <QtGlobal>

// One tab stop of a paragraph, in points from the line's start.
struct TabStop {
    enum class Type { Left, Right, Center, Decimal };

    qreal location = 0;
    Type type = Type::Left;

    bool operator==(const TabStop&) const = default;
};

// How the lines of a paragraph are placed: a value stored under NSParagraphStyleAttributeName.
struct ParagraphStyle {
    enum class Alignment { Natural, Left, Right, Center, Justified };

    qreal lineSpacing = 0; // added between two lines of the paragraph
    qreal paragraphSpacing = 0; // added after the paragraph's last line
    qreal headIndent = 0; // start of every line but the first
    qreal firstLineHeadIndent = 0; // start of the first line
    QList<TabStop> tabStops = defaultTabStops();
    Alignment alignment = Alignment::Natural;

    // Twelve left stops, 28 points apart.
    static QList<TabStop> defaultTabStops();
    static const ParagraphStyle& defaultParagraphStyle();

    bool operator==(const ParagraphStyle&) const = default;
};

Q_DECLARE_METATYPE(ParagraphStyle)
