#pragma once

#include "NotificationCenter.h"

#include <QMainWindow>

// A window that paints its own themed background while KRThemedWindows is on: a top bar with the
// title, a bottom bar, and edges, built as one image the size of the window whenever its size or
// the theming changes. The window manager keeps its own decorations (title bar, borders); the
// painted bars belong to the content: the menu bar lies on the top bar, and the window's content
// leaves the bottom bar's height free for it. Only the window paints the image; its children keep
// their own backgrounds, and those that draw none show it. Follows every KRThemingChanged. Main
// thread only.
class PolishedWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Themed as KRThemedWindows says.
    explicit PolishedWindow(QWidget* parent = nullptr);
    PolishedWindow(bool themed, QWidget* parent);
    ~PolishedWindow() override;

    bool themed() const { return m_themed; }
    void setThemed(bool themed);
    bool flat() const { return m_flat; }
    void setFlat(bool flat);
    // The title as the user sees it; also the window manager's title.
    QString titleString() const { return m_titleString; }
    void setTitle(const QString& title);
    // Raises each dimension to at least 150.
    void setMinSize(const QSizeF& size);

    // The themed background for the window's size now.
    QImage sizedPolishedBackground() const;
    // The background as the window paints it: null while not themed.
    const QImage& background() const { return m_background; }
    // Height of the painted top bar, which the menu bar takes while themed.
    static int topBarHeight();

signals:
    // After the theming was switched.
    void themedChanged(bool themed);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void windowDidResize();
    void themingChanged();

    bool m_themed = false;
    bool m_flat = true;
    QString m_titleString;
    QImage m_background;
    ScopedObserver m_themingObserver;
};
