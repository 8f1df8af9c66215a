#include "RVFullScreenIngredientView.h"

#include "RVFullScreenContentView.h"
#include "RVFullScreenText.h"

#include <QPainter>
#include <algorithm>

namespace
{

RVFullScreenText::Style textStyle()
{
    return { RVFullScreenText::font(RVFullScreenContentView::defaultFontSize() - 8), 30.0, 0.0 };
}

QString moreLine(qsizetype count)
{
    return QStringLiteral("\u2219%1 more\u2026").arg(count);
}

} // namespace

QString RVFullScreenIngredientView::bulleted(const QString& line)
{
    return QStringLiteral("\u2219") + line;
}

RVFullScreenIngredientView::RVFullScreenIngredientView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void RVFullScreenIngredientView::setDisplayedIngredients(const QStringList& ingredients)
{
    m_ingredients = ingredients;
    update();
}

RVFullScreenIngredientView::Measure RVFullScreenIngredientView::measure() const
{
    const RVFullScreenText::Style style = textStyle();
    return
        [style](const QString& text, double width) { return RVFullScreenText::sizeOf(text, style, width); };
}

double RVFullScreenIngredientView::optimalContentHeight() const
{
    return optimalContentHeight(m_ingredients, width(), measure());
}

double RVFullScreenIngredientView::optimalContentHeight(
    const QStringList& ingredients, double width, const Measure& measure)
{
    const double columnWidth = width / 2 - 16;
    QList<QSizeF> sizes;
    double total = 0.0;
    for (const QString& line : ingredients) {
        sizes.append(measure(bulleted(line), columnWidth));
        total += sizes.last().height() + interIngredientSpacing;
    }
    double left = 0.0;
    double widestLeft = 0.0;
    qsizetype i = 0;
    for (; i < sizes.size(); ++i) {
        const bool crosses = left + sizes.at(i).height() > total / 2;
        left += sizes.at(i).height() + interIngredientSpacing;
        widestLeft = std::max(widestLeft, sizes.at(i).width());
        if (crosses) {
            ++i;
            break;
        }
    }
    double right = 0.0;
    const double rightWidth = width - (widestLeft + 32);
    for (; i < sizes.size(); ++i)
        right += measure(bulleted(ingredients.at(i)), rightWidth).height() + interIngredientSpacing;
    return std::max(left, right) + interIngredientSpacing;
}

QList<RVFullScreenIngredientView::Placement> RVFullScreenIngredientView::placements(
    const QStringList& ingredients, const QRectF& bounds, const Measure& measure)
{
    QList<Placement> placed;
    const double x = bounds.x() + 10;
    const double top = bounds.y() + 8;
    const double columnWidth = bounds.width() / 2 - 16;
    double available = bounds.height() - 16;
    double y = top;
    double widestLeft = 0.0;
    qsizetype i = 0;
    for (; i < ingredients.size(); ++i) {
        const QString text = bulleted(ingredients.at(i));
        const QSizeF size = measure(text, columnWidth);
        available -= size.height();
        if (available <= 0)
            break;
        placed.append({ text, QRectF(x, y, columnWidth, size.height()) });
        widestLeft = std::max(widestLeft, size.width());
        y += size.height() + interIngredientSpacing;
        available -= interIngredientSpacing;
    }
    // One or two lines sit in the middle of the box, as one block.
    if (ingredients.size() <= 2 && !placed.isEmpty()) {
        const double block = y - interIngredientSpacing - top;
        const double shift = bounds.y() + (bounds.height() - block) / 2 - top;
        for (Placement& p : placed)
            p.rect.translate(0, shift);
    }
    if (i >= ingredients.size())
        return placed;

    const double rightX = x + widestLeft + 10;
    const double rightWidth = bounds.width() - (widestLeft + 32);
    available = bounds.height() - 16;
    y = top;
    const double moreHeight = measure(moreLine(1), rightWidth).height();
    for (; i < ingredients.size() && available > 0; ++i) {
        const QString text = bulleted(ingredients.at(i));
        const QSizeF size = measure(text, rightWidth);
        available -= size.height();
        if (i + 1 < ingredients.size() && available < interIngredientSpacing + moreHeight) {
            placed.append({ moreLine(ingredients.size() - i), QRectF(rightX, y, rightWidth, moreHeight) });
            break;
        }
        placed.append({ text, QRectF(rightX, y, rightWidth, size.height()) });
        y += size.height() + interIngredientSpacing;
        available -= interIngredientSpacing;
    }
    return placed;
}

void RVFullScreenIngredientView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(2, 2, -2, -2);
    const double h = std::max(1.0, box.height());
    QLinearGradient gradient(box.topLeft(), box.bottomLeft());
    gradient.setColorAt(0.0, QColor::fromRgbF(0.75, 0.75, 0.75));
    if (64 < h) {
        gradient.setColorAt(32 / h, Qt::black);
        gradient.setColorAt(1 - 32 / h, Qt::black);
    }
    gradient.setColorAt(1.0, QColor::fromRgbF(0.5, 0.5, 0.5));
    RVFullScreenContentView::drawBeveledBackgroundBox(painter, box, gradient, 1.0);

    const RVFullScreenText::Style style = textStyle();
    painter.setPen(Qt::white);
    for (const Placement& p : placements(m_ingredients, rect(), measure()))
        RVFullScreenText::draw(painter, p.text, style, p.rect.x(), p.rect.y(), p.rect.width());
}
