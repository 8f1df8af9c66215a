#pragma once

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

// The "more results…" button of the results' last row. A click on it emits clicked(); what it
// does is the search pane's.
class MoreResultsCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit MoreResultsCell(QObject* parent = nullptr);

    QString title() const { return m_title; }
    // The button fills the row but for 5 points at each side.
    static QRectF buttonFrame(const QRectF& cellFrame);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return nullptr;
    }

signals:
    void clicked(const QModelIndex& index);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;

private:
    QString m_title;
    QPersistentModelIndex m_pressedIndex;
};
