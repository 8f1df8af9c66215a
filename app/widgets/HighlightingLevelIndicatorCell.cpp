#include "HighlightingLevelIndicatorCell.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionProgressBar>
#include <algorithm>
#include <cmath>

double HighlightingLevelIndicatorCell::levelFraction(double value, double minValue, double maxValue)
{
    if (!std::isfinite(value) || !std::isfinite(minValue) || !std::isfinite(maxValue)
        || !(maxValue > minValue))
        return 0.0;
    return std::clamp((value - minValue) / (maxValue - minValue), 0.0, 1.0);
}

void HighlightingLevelIndicatorCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem panel = option;
    initStyleOption(&panel, index);
    panel.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, widget);

    bool isNumber = false;
    const double value = index.data(Qt::DisplayRole).toDouble(&isNumber);
    if (!isNumber)
        return;
    constexpr int Steps = 1000;
    QStyleOptionProgressBar bar;
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.state = (option.state & QStyle::State_Enabled) | QStyle::State_Horizontal;
    bar.palette = option.palette;
    bar.minimum = 0;
    bar.maximum = Steps;
    bar.progress = int(std::lround(levelFraction(value, m_minValue, m_maxValue) * Steps));
    bar.textVisible = false;
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, widget);
}
