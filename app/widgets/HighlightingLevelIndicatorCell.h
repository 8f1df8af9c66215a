#pragma once

#include <QStyledItemDelegate>

// A level bar for a number under Qt::DisplayRole, between a minimum and a maximum value. The view
// draws the selection behind it.
class HighlightingLevelIndicatorCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    double minValue() const { return m_minValue; }
    double maxValue() const { return m_maxValue; }
    void setMinValue(double value) { m_minValue = value; }
    void setMaxValue(double value) { m_maxValue = value; }

    // How much of the bar `value` fills, from 0.0 to 1.0; nothing for a value that is not a number
    // or a range that is empty.
    static double levelFraction(double value, double minValue, double maxValue);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return nullptr;
    }

private:
    double m_minValue = 0.0;
    double m_maxValue = 1.0;
};
