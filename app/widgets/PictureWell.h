#pragma once

#include <QRect>
#include <QSize>

// The decisions of the recipe picture well and its hover controls, apart from the widgets.
namespace PictureWell
{

enum class DoubleClick {
    ShowImagePanel, // the well on the recipe page, with a picture of its own
    AddImage, // the well on the recipe page, with only the default picture
    CloseImagePanelAndAddImage, // the well in the picture panel
};

DoubleClick doubleClickAction(bool opensImagePanel, bool recipeHasDefaultImage);

// The picture panel's geometry (inside its decorations, y downwards) for content of `content`:
// its top edge and horizontal centre stay.
QRect panelGeometryForContentSize(const QRect& panel, const QSize& content);

// The hover state of a control from its tracking area: the area is installed over its bounds
// (taken as entered when the pointer is already inside), removed before it leaves its window, and
// re-installed when its bounds change. Only events of the current area count.
class HoverTracker
{
public:
    // Installs a new area; answers its tag (never 0).
    int install(bool pointerInside);
    void remove();
    // A bounds change: the area is made again, inside or not as the pointer is now.
    int boundsChanged(bool pointerInside);
    void mouseEntered(int tag);
    void mouseExited(int tag);

    int tag() const { return m_tag; }
    bool mouseOver() const { return m_mouseOver; }
    // The hover background shows only over an enabled control.
    bool showsHover(bool enabled) const { return enabled && m_mouseOver; }

private:
    int m_tag = 0;
    int m_nextTag = 1;
    bool m_mouseOver = false;
};

} // namespace PictureWell
