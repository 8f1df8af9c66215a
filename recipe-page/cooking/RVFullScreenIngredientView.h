#pragma once

#include <QList>
#include <QRectF>
#include <QStringList>
#include <QWidget>
#include <functional>

// The cooking mode's ingredient box: the ingredient lines in up to two columns on a bevelled box;
// what does not fit ends with a "N more…" line.
class RVFullScreenIngredientView : public QWidget
{
    Q_OBJECT

public:
    // The size of a line's text at a width (injected in tests, the view's font otherwise).
    using Measure = std::function<QSizeF(const QString& text, double width)>;
    struct Placement {
        QString text;
        QRectF rect;
    };

    static constexpr double interIngredientSpacing = 5.0;
    // "∙" before each line.
    static QString bulleted(const QString& line);

    explicit RVFullScreenIngredientView(QWidget* parent = nullptr);

    void setDisplayedIngredients(const QStringList& ingredients);
    const QStringList& displayedIngredients() const { return m_ingredients; }
    // The height two balanced columns need at the view's width.
    double optimalContentHeight() const;
    static double optimalContentHeight(const QStringList& ingredients, double width, const Measure& measure);
    // Where each line (or the "more" line) is drawn in bounds, in top-down coordinates.
    static QList<Placement> placements(
        const QStringList& ingredients, const QRectF& bounds, const Measure& measure);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Measure measure() const;

    QStringList m_ingredients;
};
