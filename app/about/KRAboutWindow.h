#pragma once

#include <QPointer>
#include <QWidget>

class KRAboutContentView;

// The About window: frameless, see-through around its rounded content, centred on the screen.
// It closes on a click, on Escape, Q or q, and as soon as another window becomes active. One at
// a time: showAboutWindow() brings the open one forward.
class KRAboutWindow : public QWidget
{
    Q_OBJECT

public:
    explicit KRAboutWindow(QWidget* parent = nullptr);

    KRAboutContentView* contentView() const { return m_contentView; }

    // Shows the About window, made when none is open; it deletes itself when closed.
    static KRAboutWindow* showAboutWindow();

protected:
    void changeEvent(QEvent* event) override;

private:
    KRAboutContentView* m_contentView = nullptr;
};
