#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>

class ManagedObject;
class RVRulerView;

// One marker of the item ruler: an image at a location along the ruler (the page's y), standing
// for an ingredient, direction or note (the represented object) with its 1-based index. It shows
// its default image, its mouse-over image while the pointer is over it, and its mouse-down image
// while pressed; each look changes only when its state turns, so repeated moves redraw nothing.
// The ruler owns its markers. Main thread only.
class RVRulerMarker
{
public:
    // `image` becomes the default image; the index starts at 0.
    RVRulerMarker(RVRulerView* ruler, double markerLocation, const QImage& image, QPointF imageOrigin);
    virtual ~RVRulerMarker();
    RVRulerMarker(const RVRulerMarker&) = delete;
    RVRulerMarker& operator=(const RVRulerMarker&) = delete;

    // The base class has no images of its own.
    static QImage classDefaultImage() { return {}; }
    static QImage classOverImage() { return {}; }
    static QImage classDownImage() { return {}; }

    RVRulerView* ruler() const { return m_ruler; }
    double markerLocation() const { return m_location; }
    QPointF imageOrigin() const { return m_imageOrigin; }
    QImage image() const { return m_image; }
    void setImage(const QImage& image);
    // Where the image lies in ruler coordinates (x across the ruler, y the page's): the image's
    // point `imageOrigin` sits at (0, location), its top above the location.
    QRectF imageRectInRuler() const;

    ManagedObject* representedObject() const { return m_representedObject; }
    void setRepresentedObject(ManagedObject* object) { m_representedObject = object; }
    quint64 index() const { return m_index; }
    void setIndex(quint64 index) { m_index = index; }
    QImage defaultImage() const { return m_defaultImage; }
    QImage mouseOverImage() const { return m_overImage; }
    void setMouseOverImage(const QImage& image) { m_overImage = image; }
    QImage mouseDownImage() const { return m_downImage; }
    void setMouseDownImage(const QImage& image) { m_downImage = image; }
    bool isMouseOver() const { return m_mouseOver; }
    bool isMouseDown() const { return m_mouseDown; }

    // Points in ruler coordinates. A press or drag inside the image shows the pressed look, else
    // ends it; a move inside shows the hover look, else ends it. The base release only ends the
    // press: the kinds act.
    virtual void mouseDownAtPoint(QPointF point);
    virtual void mouseDraggedToPoint(QPointF point);
    virtual void mouseUpAtPoint(QPointF point);
    virtual void mouseMovedToPoint(QPointF point);

    void startDown();
    void endMouseDown();
    void enterMouseOver();
    void exitMouseOver();
    void resetImage();
    // Takes the marker off its ruler; the ruler lets it go once the event at hand is over.
    void removeSelf();
    // Told by the ruler as it takes the marker off: nothing of it may run any more.
    virtual void markerWasRemoved() { }

    // The class name and, in parentheses, "index: " and the index.
    QString description() const;

protected:
    virtual const char* className() const { return "RVRulerMarker"; }
    bool imageContains(QPointF point) const { return imageRectInRuler().contains(point); }
    void setNeedsDisplay() const;

private:
    RVRulerView* m_ruler;
    double m_location;
    QPointF m_imageOrigin;
    QImage m_image;
    ManagedObject* m_representedObject = nullptr;
    quint64 m_index = 0;
    QImage m_defaultImage;
    QImage m_overImage;
    QImage m_downImage;
    bool m_mouseOver = false;
    bool m_mouseDown = false;
};
