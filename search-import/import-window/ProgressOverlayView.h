#pragma once

#include <QWidget>

class QProgressBar;

// A transparent view with a busy indicator kept in its centre, shown over the import window
// while an import runs.
class ProgressOverlayView : public QWidget
{
    Q_OBJECT

public:
    explicit ProgressOverlayView(QWidget* parent = nullptr);

    QWidget* progressIndicator() const;
    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_animating; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Keeps the indicator in the centre of the view.
    void frameDidChange();

    QProgressBar* m_progressIndicator = nullptr;
    bool m_animating = false;
};
