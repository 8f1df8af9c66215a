#include "StringHeight.h"

#include "AttributedString.h"
#include "IsEmpty.h"

#include <QFont>
#include <QGuiApplication>
#include <QTextLayout>
#include <QTextOption>
#include <algorithm>

namespace StringHeight
{

namespace
{

// Wider than any window, and well inside what text layout can represent.
constexpr qreal maximumWidth = 1.0e6;

// A usable line width: NaN and negatives give 0.
qreal saneWidth(qreal width)
{
    return width > 0 ? std::min(width, maximumWidth) : 0.0;
}

QStringList paragraphsOf(const QString& text)
{
    QStringList paragraphs;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\n' && c != u'\r' && c != QChar::ParagraphSeparator)
            continue;
        paragraphs.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    paragraphs.append(text.mid(start));
    return paragraphs;
}

QTextOption textOptionFor(const ParagraphStyle& style)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QList<QTextOption::Tab> tabs;
    for (const TabStop& stop : style.tabStops) {
        switch (stop.type) {
        case TabStop::Type::Left:
            tabs.append(QTextOption::Tab(stop.location, QTextOption::LeftTab));
            break;
        case TabStop::Type::Right:
            tabs.append(QTextOption::Tab(stop.location, QTextOption::RightTab));
            break;
        case TabStop::Type::Center:
            tabs.append(QTextOption::Tab(stop.location, QTextOption::CenterTab));
            break;
        case TabStop::Type::Decimal:
            tabs.append(QTextOption::Tab(stop.location, QTextOption::DelimiterTab, QLatin1Char('.')));
            break;
        }
    }
    option.setTabs(tabs);
    return option;
}

} // namespace

qreal heightWithAttributes(const QString& text, const QVariantMap& attributes, qreal width)
{
    if (isEmpty(text))
        return 0.0;
    const QVariant fontValue = attributes.value(NSFontAttributeName);
    const QFont font = fontValue.metaType() == QMetaType::fromType<QFont>() ? fontValue.value<QFont>()
                                                                            : QGuiApplication::font();
    const QVariant styleValue = attributes.value(NSParagraphStyleAttributeName);
    const ParagraphStyle style = styleValue.metaType() == QMetaType::fromType<ParagraphStyle>()
        ? styleValue.value<ParagraphStyle>()
        : ParagraphStyle::defaultParagraphStyle();
    width = saneWidth(width);
    const QTextOption option = textOptionFor(style);

    qreal height = 0;
    int lines = 0;
    const QStringList paragraphs = paragraphsOf(text);
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        QTextLayout layout(paragraphs[p], font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (bool first = true;; first = false) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLeadingIncluded(true);
            const qreal indent = first ? style.firstLineHeadIndent : style.headIndent;
            line.setLineWidth(saneWidth(width - indent));
            if (lines > 0)
                height += style.lineSpacing;
            height += line.height();
            ++lines;
            if (line.textLength() == 0)
                break; // an empty paragraph is one empty line
        }
        layout.endLayout();
        if (p + 1 < paragraphs.size())
            height += style.paragraphSpacing;
    }
    return height;
}

} // namespace StringHeight
