#pragma once

#include <QWidget>

// The About window's content: the program's name, version, copyright and its two links. A click
// anywhere, Escape, Q or q closes the window; other keys go on as usual.
class KRAboutContentView : public QWidget
{
    Q_OBJECT

public:
    explicit KRAboutContentView(QWidget* parent = nullptr);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
