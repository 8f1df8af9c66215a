#include "FontNames.h"

#include <QGuiApplication>
#include <array>

namespace FontNames
{

namespace
{

struct StyleSuffix {
    const char* suffix;
    bool bold;
    bool italic;
};

// Longest first, so "-BoldOblique" is not read as "-Oblique".
constexpr std::array<StyleSuffix, 5> suffixes { {
    { "-BoldOblique", true, true },
    { "-BoldItalic", true, true },
    { "-Oblique", false, true },
    { "-Italic", false, true },
    { "-Bold", true, false },
} };

} // namespace

QFont fontWithName(const QString& name, qreal size)
{
    QString family = name;
    bool bold = false;
    bool italic = false;
    for (const StyleSuffix& s : suffixes) {
        const QLatin1String suffix(s.suffix);
        if (name.size() > suffix.size() && name.endsWith(suffix)) {
            family.chop(suffix.size());
            bold = s.bold;
            italic = s.italic;
            break;
        }
    }
    if (!(size > 0) || !qIsFinite(size)) {
        size = QGuiApplication::font().pointSizeF();
        if (size <= 0)
            size = 12; // the application font is sized in pixels
    }
    QFont font(family);
    font.setPointSizeF(size);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

} // namespace FontNames
