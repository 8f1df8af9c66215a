#pragma once

#include <QImage>
#include <QWidget>

// A pane's header: the header image stretched across it (a one-point line along its bottom
// edge) and its title centred, a point above the middle, in the small bold system font. Shows "Title" until
// one is set.
class PolishedHeader : public QWidget
{
    Q_OBJECT

public:
    explicit PolishedHeader(QWidget* parent = nullptr);

    QString title() const { return m_title; }
    // An empty title (nil, empty or "(null)") shows "Title".
    void setTitle(const QString& title);
    // Where the title is drawn for the view's size now.
    QRectF titleRect() const;
    QFont titleFont() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_metalBg;
    QString m_title;
};
