#include "ImportArea.h"

#include "Log.h"
#include "RecipeImportView.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace
{

const QColor lightGray(170, 170, 170);

QStringList defaultBigChoices()
{
    return { ImportArea::tr("Description"), ImportArea::tr("Ingredients"), ImportArea::tr("Directions"),
        ImportArea::tr("Notes") };
}

QStringList defaultSmallChoices()
{
    return { ImportArea::tr("Name"), ImportArea::tr("Description"), ImportArea::tr("From"),
        ImportArea::tr("Time"), ImportArea::tr("Yield"), ImportArea::tr("Category"),
        ImportArea::tr("Cuisine") };
}

QString moreTitle()
{
    return ImportArea::tr("More");
}

QString headerTitle()
{
    return ImportArea::tr("Choose one:");
}

QRectF integral(const QRectF& rect)
{
    return QRectF(rect.toAlignedRect());
}

} // namespace

std::shared_ptr<ImportArea> ImportArea::areaWithFrame(
    const QRectF& frame, bool snapToText, RecipeImportView* parentView)
{
    return std::make_shared<ImportArea>(frame, snapToText, parentView);
}

ImportArea::ImportArea(const QRectF& frame, bool snapToText, RecipeImportView* parentView)
    : m_parentView(parentView)
    , m_snapToText(snapToText)
{
    setFontSize(14.0);
    m_bigChoices = defaultBigChoices();
    m_smallChoices = defaultSmallChoices();
    reclaculateChoiceWidths();
    setFrame(frame);
}

QColor ImportArea::blueFrameColor()
{
    return QColor::fromRgbF(0.0f, 0.48828125f, 0.765625f);
}

QColor ImportArea::yellowFrameColor()
{
    return QColor::fromRgbF(0.98828125f, 0.75390625f, 0.046875f);
}

void ImportArea::setFrame(const QRectF& frame, bool snapToText)
{
    m_frame = snapToText ? snappedRectForRect(frame) : frame;
    m_grabberHitRect
        = QRectF(m_frame.right() - kGrabberSize, m_frame.bottom() - kGrabberSize, kGrabberSize, kGrabberSize);
    m_closeBoxHitRect = QRectF(m_frame.left() - 16.0, m_frame.top() - 14.0, kCloseBoxSize, kCloseBoxSize);
    reclaculateChoiceWidths();
    redrawParent();
}

void ImportArea::setKey(const QString& key)
{
    if (key == m_key)
        return;
    m_key = key;
    m_isDefined = true;
    updateFrameColor();
}

void ImportArea::setBigChoices(const QStringList& choices)
{
    m_bigChoices = choices;
    reclaculateChoiceWidths();
}

void ImportArea::setSmallChoices(const QStringList& choices)
{
    m_smallChoices = choices;
    reclaculateChoiceWidths();
}

void ImportArea::setFontSize(double size)
{
    if (size == m_fontSize)
        return;
    m_fontSize = size;
    reclaculateChoiceWidths();
}

QFont ImportArea::choiceFont() const
{
    QFont font(QStringLiteral("Lucida Grande"));
    font.setBold(true);
    font.setPointSizeF(m_fontSize);
    return font;
}

QFont ImportArea::headerFont() const
{
    QFont font(QStringLiteral("Lucida Grande"));
    font.setPointSizeF(std::max(1.0, m_fontSize - 2.0));
    return font;
}

QFont ImportArea::keyAreaFont()
{
    QFont font;
    font.setBold(true);
    return font;
}

void ImportArea::reclaculateChoiceWidths()
{
    const QFontMetricsF metrics(choiceFont());
    auto widest = [&metrics](const QStringList& labels) {
        double width = 0;
        for (const QString& label : labels)
            width = std::max(width, metrics.horizontalAdvance(label));
        return width;
    };
    m_widestBigChoice = widest(m_bigChoices) + 24.0;
    m_widestSmallChoice = widest(m_smallChoices) + 16.0;
}

void ImportArea::updateFrameColor()
{
    if (m_key.isEmpty())
        return;
    const bool list = m_key == tr("Ingredients") || m_key == tr("Directions") || m_key == tr("Notes");
    m_frameColor = list ? yellowFrameColor() : blueFrameColor();
}

QPainterPath ImportArea::roundedFramePath() const
{
    QPainterPath path;
    path.addRoundedRect(m_frame.adjusted(1, 1, -1, -1), kCornerRadius, kCornerRadius);
    return path;
}

bool ImportArea::containsPoint(const QPointF& point) const
{
    return roundedFramePath().contains(point);
}

bool ImportArea::flyoutContainsPoint(const QPointF& point) const
{
    // The pop-up shows only while the area has no field and its grid does not fit.
    return !m_isDefined && m_hasPopup && !gridFits() && m_popupRect.contains(point);
}

bool ImportArea::keyAreaContainsPoint(const QPointF& point) const
{
    return m_isDefined && keyAreaRect().contains(point);
}

double ImportArea::cellHeight() const
{
    const QFontMetricsF metrics(choiceFont());
    return metrics.ascent() + metrics.descent() + 14.0;
}

double ImportArea::headerHeight() const
{
    const QFontMetricsF metrics(headerFont());
    const QRectF inset = m_frame.adjusted(9, 0, -9, 0);
    return metrics
        .boundingRect(QRectF(0, 0, std::max(inset.width(), 1.0), 10000.0),
            Qt::AlignHCenter | Qt::TextWordWrap, headerTitle())
        .height();
}

int ImportArea::rowsNeeded(int columns) const
{
    const int cells = int(m_bigChoices.size()) + 1;
    return (cells + columns - 1) / std::max(columns, 1);
}

int ImportArea::numberOfColumns() const
{
    int columns = m_widestBigChoice > 0 ? int(std::floor(m_frame.width() / m_widestBigChoice)) : 1;
    columns = std::min(columns, int(m_bigChoices.size()) + 1);
    const double below = m_frame.height() - headerHeight();
    const double cell = cellHeight();
    while (columns >= 3 && below - cell * rowsNeeded(columns) > cell)
        --columns;
    return std::max(columns, 1);
}

bool ImportArea::gridFits() const
{
    return m_frame.width() > m_widestBigChoice
        && m_frame.height() - headerHeight() > cellHeight() * rowsNeeded(numberOfColumns());
}

QRectF ImportArea::gridCellRect(int index) const
{
    const int columns = numberOfColumns();
    const double width = m_frame.width() / columns;
    const double height = cellHeight();
    return QRectF(m_frame.left() + (index % columns) * width,
        m_frame.top() + headerHeight() + (index / columns) * height, width, height);
}

int ImportArea::gridIndexAtPoint(const QPointF& point) const
{
    const double radius = cellHeight() / 2.0;
    for (int i = 0; i <= int(m_bigChoices.size()); ++i) {
        QPainterPath cell;
        cell.addRoundedRect(integral(gridCellRect(i)).adjusted(8, 4, -8, -4), radius, radius);
        if (cell.contains(point))
            return i;
    }
    return -1;
}

int ImportArea::popupRowAtPoint(const QPointF& point) const
{
    if (!flyoutContainsPoint(point))
        return -1;
    const int row = int(std::floor((point.y() - m_popupRect.top()) / cellHeight()));
    return row >= 0 && row <= int(m_smallChoices.size()) ? row : -1;
}

ImportArea::EventType ImportArea::eventTypeForMouseDownAtPoint(const QPointF& point)
{
    if (closeBoxContainsPoint(point))
        return CloseEvent;
    if (!m_isDefined) {
        if (flyoutContainsPoint(point)) {
            const int row = popupRowAtPoint(point);
            if (row < 0)
                return MoveEvent;
            m_clickIndex = m_currentEventIndex = row;
            return row == int(m_smallChoices.size()) ? MenuEvent : ChoiceEvent;
        }
        if (gridFits()) {
            const int index = gridIndexAtPoint(point);
            if (index >= 0) {
                m_clickIndex = m_currentEventIndex = index;
                return index == int(m_bigChoices.size()) ? MenuEvent : ChoiceEvent;
            }
        }
    } else if (keyAreaContainsPoint(point)) {
        return MenuEvent;
    }
    if (grabberContainsPoint(point))
        return ResizeEvent;
    if (containsPoint(point))
        return MoveEvent;
    Log::log(QStringLiteral("eventTypeForMouseDownAtPoint: no event!"));
    return NoEvent;
}

void ImportArea::mouseMovedToPoint(const QPointF& point)
{
    if (m_isDefined)
        return;
    if (m_hasPopup && !gridFits())
        m_currentEventIndex = popupRowAtPoint(point);
    else if (gridFits())
        m_currentEventIndex = gridIndexAtPoint(point);
}

void ImportArea::mouseUpAtPoint(const QPointF& point)
{
    mouseMovedToPoint(point);
    const int current = m_currentEventIndex;
    const int clicked = m_clickIndex;
    m_clickIndex = m_currentEventIndex = -1;
    if (m_isDefined)
        return;
    if (m_hasPopup && !gridFits()) {
        if (current == int(m_smallChoices.size())) {
            if (m_parentView)
                m_parentView->popUpLabelsMenu(this, point);
        } else if (current >= 0) {
            setKey(m_smallChoices.at(current));
        }
        return;
    }
    if (current >= 0 && current == clicked && current < int(m_bigChoices.size()))
        setKey(m_bigChoices.at(current));
}

QList<ImportArea::MenuItem> ImportArea::menuForPoint(const QPointF& point) const
{
    QList<MenuItem> items;
    if (!m_isDefined) {
        // "More" in the grid (inside the area) offers the small labels, "More" in the pop-up
        // (beside it) the big ones, so every label can be reached from either.
        for (const QString& label : containsPoint(point) ? m_smallChoices : m_bigChoices)
            items.append({ label, false });
        return items;
    }
    if (!keyAreaContainsPoint(point))
        return items;
    QStringList labels = m_bigChoices + m_smallChoices;
    labels.removeDuplicates();
    std::sort(labels.begin(), labels.end(),
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    for (const QString& label : labels)
        items.append({ label, label == m_key });
    return items;
}

void ImportArea::menuChoice(const QString& title)
{
    m_key = title;
    m_isDefined = true;
    updateFrameColor();
    m_clickIndex = m_currentEventIndex = -1;
    redrawParent();
}

QRectF ImportArea::keyAreaRect() const
{
    if (!m_isDefined)
        return {};
    const QFontMetricsF metrics(keyAreaFont());
    const double textWidth = metrics.horizontalAdvance(m_key);
    const double width = textWidth + 20.0;
    const double height = (m_key.isEmpty() ? 0.0 : metrics.height()) + 5.0;
    QRectF tab(m_frame.left() + 2.0, m_frame.bottom() - height, width, height);
    m_showDisclosure = width <= m_frame.width();
    if (!m_showDisclosure)
        tab.setWidth(m_frame.width() - 4.0);
    return tab;
}

QRectF ImportArea::snappedRectForRect(const QRectF& rect) const
{
    if (!m_parentView)
        return rect;
    const ImportTextLayout& layout = m_parentView->textLayout();
    QRectF result = rect;
    const Range touched = layout.glyphRangeForBoundingRect(rect);
    if (touched.location != Range::NotFound && rect.height() > 0) {
        const QRectF g0 = layout.boundingRectForGlyphRange(touched);
        // Shrink from both ends until the lines touched change: the first line given up tells
        // whether the proposed top lies nearer the first line's top or the next one's.
        QRectF g1(rect.left(), rect.top(), rect.width(), rect.height());
        for (QRectF working = rect; working.height() > 2.0;) {
            working.adjust(0, 1, 0, -1);
            const Range range = layout.glyphRangeForBoundingRect(working);
            if (range == touched)
                continue;
            if (range.location != Range::NotFound)
                g1 = layout.boundingRectForGlyphRange(range);
            break;
        }
        const double top
            = std::abs(g0.top() - rect.top()) <= std::abs(g1.top() - rect.top()) ? g0.top() : g1.top();
        // Down to the bottom of the last line touched.
        const double bottom = std::max(g0.bottom(), top + 1.0);
        result = QRectF(rect.left(), top, rect.width(), bottom - top);
    }
    result = integral(result);
    return m_parentView->nonIntersectingImportAreaFrameRectForProposedFrameRect(result, m_frame, m_frame);
}

QPainterPath ImportArea::bezierPathForPopupRect(const QRectF& rect, int side)
{
    QPainterPath path;
    path.addRoundedRect(rect, 6.0, 6.0);
    QPolygonF pointer;
    const QPointF middle = rect.center();
    switch (side) {
    case 1: // right of the area: the pointer on the pop-up's left edge
        pointer << QPointF(rect.left(), middle.y() - 10) << QPointF(rect.left() - 5, middle.y())
                << QPointF(rect.left(), middle.y() + 10);
        break;
    case 2: // below: on its top edge
        pointer << QPointF(middle.x() - 10, rect.top()) << QPointF(middle.x(), rect.top() - 5)
                << QPointF(middle.x() + 10, rect.top());
        break;
    case 3: // above: on its bottom edge
        pointer << QPointF(middle.x() - 10, rect.bottom()) << QPointF(middle.x(), rect.bottom() + 5)
                << QPointF(middle.x() + 10, rect.bottom());
        break;
    case 4: // left: on its right edge
        pointer << QPointF(rect.right(), middle.y() - 10) << QPointF(rect.right() + 5, middle.y())
                << QPointF(rect.right(), middle.y() + 10);
        break;
    default:
        return path;
    }
    QPainterPath arrow;
    arrow.addPolygon(pointer);
    arrow.closeSubpath();
    return path.united(arrow);
}

void ImportArea::redrawParent() const
{
    if (m_parentView)
        m_parentView->viewport()->update();
}

void ImportArea::draw(QPainter& painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath outline = roundedFramePath();
    if (!m_isDefined) {
        painter.fillPath(outline, QColor(0, 0, 0, int(0.65 * 255)));
        painter.setPen(QPen(lightGray, 1.0));
        painter.drawPath(outline);
        painter.setFont(headerFont());
        painter.setPen(Qt::white);
        painter.drawText(m_frame.adjusted(9, 2, -9, 0), Qt::AlignHCenter | Qt::TextWordWrap, headerTitle());
        if (gridFits()) {
            const double radius = cellHeight() / 2.0;
            painter.setFont(choiceFont());
            for (int i = 0; i <= int(m_bigChoices.size()); ++i) {
                const QRectF cell = integral(gridCellRect(i)).adjusted(8, 4, -8, -4);
                QPainterPath shape;
                shape.addRoundedRect(cell, radius, radius);
                const bool pressed = i == m_clickIndex && i == m_currentEventIndex;
                if (pressed) {
                    QLinearGradient gradient(cell.topLeft(), cell.bottomLeft());
                    gradient.setColorAt(0, QColor(200, 200, 200, 191));
                    gradient.setColorAt(1, QColor(255, 255, 255, 191));
                    painter.fillPath(shape, gradient);
                } else {
                    painter.fillPath(shape, QColor(0, 0, 0, int(0.65 * 255)));
                }
                painter.setPen(pressed ? Qt::black : lightGray);
                const QString label = i < int(m_bigChoices.size()) ? m_bigChoices.at(i) : moreTitle();
                painter.drawText(cell, Qt::AlignCenter, label);
            }
        }
    } else {
        painter.setPen(QPen(m_frameColor, 3.0));
        painter.drawPath(outline);
        const QRectF tab = keyAreaRect();
        QColor fill = m_frameColor;
        fill.setAlphaF(0.75f);
        painter.fillRect(tab, fill);
        painter.setPen(Qt::white);
        painter.setFont(keyAreaFont());
        const QRectF text = tab.adjusted(4, 0, m_showDisclosure ? -14 : -2, 0);
        painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
            QFontMetricsF(keyAreaFont()).elidedText(m_key, Qt::ElideRight, text.width()));
        if (m_showDisclosure) {
            const QPointF tip(tab.right() - 8, tab.center().y() + 2);
            painter.setBrush(Qt::white);
            painter.setPen(Qt::NoPen);
            painter.drawPolygon(QPolygonF { tip + QPointF(-4, -4), tip + QPointF(4, -4), tip });
        }
    }
    // The resize grabber: three short diagonal strokes in the corner.
    painter.setPen(QPen(m_isDefined ? m_frameColor : lightGray, 1.0));
    for (int i = 1; i <= 3; ++i) {
        const double step = 4.0 * i;
        painter.drawLine(QPointF(m_frame.right() - 3 - step, m_frame.bottom() - 3),
            QPointF(m_frame.right() - 3, m_frame.bottom() - 3 - step));
    }
    painter.restore();
}

void ImportArea::drawCloseBox(QPainter& painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(m_closeBoxHitRect.topLeft() + QPointF(5, 5), QSizeF(20, 20));
    painter.setBrush(m_closeBoxPressed ? QColor(20, 20, 20) : QColor(70, 70, 70));
    painter.setPen(QPen(Qt::white, 1.5));
    painter.drawEllipse(circle);
    const QRectF cross = circle.adjusted(6.5, 6.5, -6.5, -6.5);
    painter.drawLine(cross.topLeft(), cross.bottomRight());
    painter.drawLine(cross.topRight(), cross.bottomLeft());
    painter.restore();
}

void ImportArea::drawChoicesPopupIfNeeded(QPainter* painter)
{
    if (m_isDefined || gridFits() || !m_parentView)
        return;
    const double cell = cellHeight();
    const QSizeF size(m_widestSmallChoice, cell * double(m_smallChoices.size() + 1));
    QRectF rect;
    const int side = m_parentView->sideOfRect(m_frame, &rect, size);
    if (side == 0)
        return;
    m_popupRect = rect;
    m_popupSide = side;
    m_hasPopup = true;
    if (!painter)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QPainterPath outline = bezierPathForPopupRect(rect, side);
    painter->fillPath(outline, QColor(0, 0, 0, int(0.7 * 255)));
    painter->setPen(QPen(lightGray, 1.0));
    painter->drawPath(outline);
    painter->setFont(choiceFont());
    for (int row = 0; row <= int(m_smallChoices.size()); ++row) {
        const QRectF line(rect.left(), rect.top() + row * cell, rect.width(), cell);
        const bool pressed = row == m_currentEventIndex && m_clickIndex >= 0;
        if (pressed)
            painter->fillRect(line.adjusted(2, 1, -2, -1), QColor(255, 255, 255, 191));
        painter->setPen(pressed ? Qt::black : Qt::white);
        painter->drawText(
            line, Qt::AlignCenter, row < int(m_smallChoices.size()) ? m_smallChoices.at(row) : moreTitle());
    }
    painter->restore();
}
