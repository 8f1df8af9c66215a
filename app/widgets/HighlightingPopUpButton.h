#pragma once

#include "PictureWell.h"

#include <QComboBox>

// A pop-up button that shows a rounded dark grey background while the pointer is over it and it
// is enabled; the hover survives a resize with the pointer inside.
class HighlightingPopUpButton : public QComboBox
{
    Q_OBJECT

public:
    explicit HighlightingPopUpButton(QWidget* parent = nullptr);

    bool mouseOver() const { return m_tracker.mouseOver(); }
    bool showsHover() const { return m_tracker.showsHover(isEnabled()); }
    const PictureWell::HoverTracker& tracker() const { return m_tracker; }

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool pointerInside() const;

    PictureWell::HoverTracker m_tracker;
};
