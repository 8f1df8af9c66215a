#include "PictureWell.h"

namespace PictureWell
{

DoubleClick doubleClickAction(bool opensImagePanel, bool recipeHasDefaultImage)
{
    if (!opensImagePanel)
        return DoubleClick::CloseImagePanelAndAddImage;
    return recipeHasDefaultImage ? DoubleClick::AddImage : DoubleClick::ShowImagePanel;
}

QRect panelGeometryForContentSize(const QRect& panel, const QSize& content)
{
    // Integer centres: keep twice the centre, so odd widths do not drift.
    const int doubledCentre = 2 * panel.x() + panel.width();
    const int x = (doubledCentre - content.width()) / 2;
    return QRect(QPoint(x, panel.y()), content);
}

int HoverTracker::install(bool pointerInside)
{
    m_tag = m_nextTag++;
    m_mouseOver = pointerInside;
    return m_tag;
}

void HoverTracker::remove()
{
    m_tag = 0;
}

int HoverTracker::boundsChanged(bool pointerInside)
{
    remove();
    return install(pointerInside);
}

void HoverTracker::mouseEntered(int tag)
{
    if (tag != 0 && tag == m_tag)
        m_mouseOver = true;
}

void HoverTracker::mouseExited(int tag)
{
    if (tag != 0 && tag == m_tag)
        m_mouseOver = false;
}

} // namespace PictureWell
