#include "SFHFRatingCell.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace
{

const QString StarGlyph = QStringLiteral("\u2605");
constexpr double StarInset = 2.0;
constexpr double StarWidth = 11.0;
constexpr double StarHeight = 10.0;
constexpr double StarStep = 12.0;

bool isSelected(const QStyleOptionViewItem& option)
{
    return option.state.testFlag(QStyle::State_Selected);
}

// Views hand their delegate's events an option without the selection, so the view is asked; it
// has not yet selected the row of the press it reports.
bool isSelectedBeforeTheEvent(const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    if (!view || !view->selectionModel())
        return isSelected(option);
    return view->selectionModel()->isSelected(index);
}

} // namespace

SFHFRatingCell::SFHFRatingCell(QObject* parent)
    : QStyledItemDelegate(parent)
    , m_defaultStarColor(QColor::fromRgbF(0.4921875f, 0.54296875f, 0.5859375f, 1.0f))
    , m_starFont(QApplication::font())
{
    m_starFont.setPointSizeF(11.0);
}

std::vector<SFHFRatingCell::Star> SFHFRatingCell::starsForFrame(
    const QRectF& frame, double value, double maximum, bool highlighted, const QColor& starColor)
{
    std::vector<Star> stars;
    const double filled = std::trunc(value);
    const double count = std::trunc(maximum);
    for (double n = 1; n <= count; ++n) {
        const QRectF box(
            frame.x() + StarInset + (n - 1) * StarStep, frame.y() + StarInset, StarWidth, StarHeight);
        // Stars further right cannot meet the frame either, however large the maximum.
        if (box.left() >= frame.right())
            break;
        if (!box.intersects(frame))
            continue;
        QColor color;
        if (n <= filled)
            color = highlighted ? QColor(Qt::white) : starColor;
        else if (highlighted)
            color = QColor::fromRgbF(1, 1, 1, 0.2f);
        else
            continue;
        stars.push_back({ box.intersected(frame).translated(0, 1.0), color });
    }
    return stars;
}

double SFHFRatingCell::ratingForPoint(double x, double left, std::optional<double> maximum)
{
    // Left of the first star is no stars at all, never a negative rating.
    double rating = std::max(0.0, std::ceil((x - (left + StarInset)) / StarStep));
    if (maximum && rating > *maximum)
        rating = std::max(0.0, *maximum);
    return rating;
}

void SFHFRatingCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    // The view draws the selection; the cell only its stars.
    QStyleOptionViewItem panel = option;
    initStyleOption(&panel, index);
    panel.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, widget);

    const QVariant value = index.data(Qt::DisplayRole);
    bool isNumber = false;
    const double rating = value.toDouble(&isNumber);
    if (!value.isValid() || !isNumber || !m_maximumRating)
        return;

    painter->save();
    painter->setClipRect(option.rect, Qt::IntersectClip);
    painter->setFont(m_starFont);
    const QFontMetricsF metrics(m_starFont);
    for (const Star& star :
        starsForFrame(option.rect, rating, *m_maximumRating, isSelected(option), m_defaultStarColor)) {
        painter->setPen(star.color);
        painter->drawText(QPointF(star.rect.x(), star.rect.y() + metrics.ascent()), StarGlyph);
    }
    painter->restore();
}

QSize SFHFRatingCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int stars = m_maximumRating ? int(std::max(0.0, *m_maximumRating)) : 0;
    const QSize text = QStyledItemDelegate::sizeHint(option, index);
    return QSize(int(std::ceil(StarInset * 2 + stars * StarStep)), text.height());
}

bool SFHFRatingCell::editorEvent(
    QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (!mouse || !model || !index.isValid())
        return false;
    const bool tracking = m_trackedIndex.isValid() && m_trackedIndex == index;

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (mouse->button() != Qt::LeftButton)
            return false;
        const Qt::ItemFlags flags = index.flags();
        if (!flags.testFlag(Qt::ItemIsEnabled) || !flags.testFlag(Qt::ItemIsEditable))
            return false;
        // The click that selects the row goes to the view.
        if (!isSelectedBeforeTheEvent(option, index))
            return false;
        stopTracking();
        m_trackedIndex = index;
        m_currentFrameInControlView = option.rect;
        if (const auto* view = qobject_cast<const QAbstractItemView*>(option.widget)) {
            m_trackedViewport = view->viewport();
            m_trackedViewport->installEventFilter(this);
        }
        track(mouse->position().x());
        return true;
    }
    case QEvent::MouseMove:
        if (!tracking)
            return false;
        track(mouse->position().x());
        return true;
    case QEvent::MouseButtonRelease:
        if (!tracking)
            return false;
        track(mouse->position().x());
        stopTracking();
        return true;
    default:
        return false;
    }
}

bool SFHFRatingCell::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_trackedViewport || !m_trackedIndex.isValid())
        return QStyledItemDelegate::eventFilter(watched, event);
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (event->type() == QEvent::MouseMove && mouse) {
        track(mouse->position().x());
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && mouse) {
        track(mouse->position().x());
        stopTracking();
        return true;
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

void SFHFRatingCell::track(double x)
{
    if (!m_trackedIndex.isValid())
        return;
    const double rating = ratingForPoint(x, m_currentFrameInControlView.x(), m_maximumRating);
    bool isNumber = false;
    const double current = m_trackedIndex.data(Qt::DisplayRole).toDouble(&isNumber);
    if (isNumber && current == rating)
        return;
    auto* model = const_cast<QAbstractItemModel*>(m_trackedIndex.model());
    model->setData(m_trackedIndex, rating, Qt::EditRole);
}

void SFHFRatingCell::stopTracking()
{
    if (m_trackedViewport)
        m_trackedViewport->removeEventFilter(this);
    m_trackedViewport = nullptr;
    m_trackedIndex = QPersistentModelIndex();
}
