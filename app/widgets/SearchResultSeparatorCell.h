#pragma once

#include <QFont>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <optional>

// A results header row ("local" or "web" results): its disclosure triangle
// (CellRoles::DisclosurePathRole), its title (Qt::DisplayRole) and its count in a badge
// (CellRoles::CountStringValueRole).
class SearchResultSeparatorCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    struct Layout {
        QPointF disclosureOffset; // where the triangle's origin goes
        QRectF titleRect;
        QRectF countRect;
        QRectF badgeRect; // the rounded rectangle behind the count
    };

    using QStyledItemDelegate::QStyledItemDelegate;

    // `disclosureBounds`: the triangle's bounds, none without a triangle.
    static Layout layoutFor(const QRectF& frame, std::optional<QRectF> disclosureBounds,
        const QSizeF& titleSize, const QSizeF& countSize);
    // Bold, 11 points, for both the title and the count.
    static QFont titleFont();

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return nullptr;
    }
};
