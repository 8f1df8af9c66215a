#pragma once

#include <QColor>
#include <QFont>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStyledItemDelegate>
#include <optional>
#include <vector>

// A row of stars showing the index's rating (a number under Qt::DisplayRole; none draws nothing).
// On an enabled, editable index of a row that is already selected, a click or drag sets the
// rating under Qt::EditRole; the click that selects the row leaves it alone.
class SFHFRatingCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    struct Star {
        QRectF rect; // where the glyph is drawn from: its box, clipped to the cell frame
        QColor color;
    };

    explicit SFHFRatingCell(QObject* parent = nullptr);

    std::optional<double> maximumRating() const { return m_maximumRating; }
    void setMaximumRating(std::optional<double> maximum) { m_maximumRating = maximum; }
    QColor defaultStarColor() const { return m_defaultStarColor; }
    QFont starFont() const { return m_starFont; }

    // The stars to draw in `frame` for `value`: filled ones up to the value, faint ones beyond it
    // only when highlighted.
    static std::vector<Star> starsForFrame(
        const QRectF& frame, double value, double maximum, bool highlighted, const QColor& starColor);
    // The rating a point at `x` stands for in a cell whose drawing rectangle starts at `left`:
    // whole stars, within 0 and the maximum.
    static double ratingForPoint(double x, double left, std::optional<double> maximum);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return nullptr;
    }

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;
    // While a drag is tracked, the view's own mouse moves and release come here, as the view
    // hands its delegate only the press.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void track(double x);
    void stopTracking();

    QColor m_defaultStarColor;
    QFont m_starFont;
    std::optional<double> m_maximumRating;

    QPersistentModelIndex m_trackedIndex;
    QRectF m_currentFrameInControlView;
    QPointer<QWidget> m_trackedViewport;
};
