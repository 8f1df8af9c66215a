#pragma once

#include <QWidget>
#include <functional>

// The cooking mode's window: borderless and above everything on a black screen, or a plain
// closable window. It takes the keyboard even without a border.
class RVFullScreenWindow : public QWidget
{
    Q_OBJECT

public:
    explicit RVFullScreenWindow(bool windowed);

    void setContentView(QWidget* view);
    QWidget* contentView() const { return m_contentView; }
    // Called when the window closes, by its close button or by close().
    void setWindowWillClose(std::function<void()> handler) { m_willClose = std::move(handler); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_contentView = nullptr;
    std::function<void()> m_willClose;
    bool m_closing = false;
};
