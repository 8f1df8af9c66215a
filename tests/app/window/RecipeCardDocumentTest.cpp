#include "RecipeCardDocument.h"

#include "AttributedString.h"
#include "FontNames.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLength>
#include <gtest/gtest.h>

namespace
{

QVariantMap runAttributes(const QFont& font, const ParagraphStyle& style, const QColor& color = Qt::black)
{
    return { { NSFontAttributeName, font }, { NSParagraphStyleAttributeName, QVariant::fromValue(style) },
        { NSForegroundColorAttributeName, color } };
}

struct Fragment {
    QString text;
    QFont font;
    QColor color;
};

QList<Fragment> fragmentsOf(const QTextDocument& document)
{
    QList<Fragment> fragments;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            fragments.append({ fragment.text(), fragment.charFormat().font(),
                fragment.charFormat().foreground().color() });
        }
    }
    return fragments;
}

} // namespace

TEST(RecipeCardDocumentTest, RunsBecomeFragmentsAndParagraphStylesBlockFormats)
{
    ParagraphStyle title;
    title.alignment = ParagraphStyle::Alignment::Center;
    title.paragraphSpacing = 6;
    ParagraphStyle body;
    body.lineSpacing = 2.0;
    body.headIndent = 20;
    body.firstLineHeadIndent = 4;
    body.tabStops = { TabStop { 36, TabStop::Type::Left }, TabStop { 90, TabStop::Type::Right } };

    const QFont bold = FontNames::fontWithName(QStringLiteral("Helvetica-Bold"), 18);
    const QFont plain = FontNames::fontWithName(QStringLiteral("Helvetica"), 12);
    MutableAttributedString card(QStringLiteral("Pancakes\n"), runAttributes(bold, title));
    card.appendAttributedString(AttributedString(QStringLiteral("2\tcups "), runAttributes(plain, body)));
    card.appendAttributedString(
        AttributedString(QStringLiteral("flour"), runAttributes(plain, body, QColor(Qt::darkGreen))));
    card.appendAttributedString(AttributedString(QStringLiteral("\n"), runAttributes(plain, body)));
    QVariantMap rule = runAttributes(plain, body);
    rule.insert(
        NSAttachmentAttributeName, QVariant::fromValue(TextAttachment { TextAttachment::Cell::Line, {} }));
    card.appendAttributedString(AttributedString(QString(QChar(NSAttachmentCharacter)), rule));

    QTextDocument document;
    document.setPlainText(QStringLiteral("earlier contents"));
    RecipeCardDocument::fill(&document, card);

    EXPECT_EQ(document.toPlainText(), QStringLiteral("Pancakes\n2\tcups flour\n"));
    const QList<Fragment> fragments = fragmentsOf(document);
    ASSERT_EQ(fragments.size(), 3);
    const struct {
        QString text;
        bool bold;
        qreal size;
        QColor color;
    } expected[] = {
        { QStringLiteral("Pancakes"), true, 18, Qt::black },
        { QStringLiteral("2\tcups "), false, 12, Qt::black },
        { QStringLiteral("flour"), false, 12, QColor(Qt::darkGreen) },
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(expected[i].text.toStdString());
        EXPECT_EQ(fragments[i].text, expected[i].text);
        EXPECT_EQ(fragments[i].font.bold(), expected[i].bold);
        EXPECT_EQ(fragments[i].font.pointSizeF(), expected[i].size);
        EXPECT_EQ(fragments[i].font.family(), plain.family());
        EXPECT_EQ(fragments[i].color, expected[i].color);
    }

    ASSERT_EQ(document.blockCount(), 3);
    const QTextBlockFormat first = document.findBlockByNumber(0).blockFormat();
    EXPECT_EQ(first.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(first.bottomMargin(), 6);
    EXPECT_EQ(first.lineHeight(), 0);

    const QTextBlockFormat second = document.findBlockByNumber(1).blockFormat();
    EXPECT_EQ(second.lineHeightType(), int(QTextBlockFormat::LineDistanceHeight));
    EXPECT_EQ(second.lineHeight(), 2.0);
    EXPECT_EQ(second.leftMargin(), 20);
    EXPECT_EQ(second.textIndent(), -16);
    ASSERT_EQ(second.tabPositions().size(), 2);
    EXPECT_EQ(second.tabPositions()[1].position, 90);
    EXPECT_EQ(second.tabPositions()[1].type, QTextOption::RightTab);
    EXPECT_FALSE(second.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth));

    // The line attachment is a rule under its own (otherwise empty) paragraph.
    const QTextBlock last = document.findBlockByNumber(2);
    EXPECT_TRUE(last.text().isEmpty());
    EXPECT_TRUE(last.blockFormat().hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth));
}

TEST(RecipeCardDocumentTest, EmptyCardGivesAnEmptyDocument)
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("earlier contents"));
    RecipeCardDocument::fill(&document, AttributedString());
    EXPECT_TRUE(document.toPlainText().isEmpty());
    RecipeCardDocument::fill(nullptr, AttributedString(QStringLiteral("x")));
}
