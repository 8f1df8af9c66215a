#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

class QMimeData;

// The recipe's picture well: the picture on black inside a white mat with a thin dark edge and,
// on screen, a soft gloss over its upper half. It takes dropped and pasted pictures; a double
// click opens the picture panel or starts adding a picture (see PictureWell). As the picture
// panel's whole content, a new picture resizes the panel around it.
class RecipeImageView : public QWidget
{
    Q_OBJECT

public:
    // What a double click reaches: the application controller's picture panel and the recipe
    // controller.
    struct Actions {
        std::function<void(RecipeImageView* sender)> showImagePanel;
        std::function<void()> closeImagePanel;
        std::function<void()> addImage;
        // Whether the current recipe has only the default picture.
        std::function<bool()> currentImageIsDefault;
    };

    explicit RecipeImageView(QWidget* parent = nullptr);

    void setActions(Actions actions) { m_actions = std::move(actions); }
    bool canBecomeFirstResponder() const { return m_canBecomeFirstResponder; }
    void setCanBecomeFirstResponder(bool can);
    bool opensImagePanel() const { return m_opensImagePanel; }
    void setOpensImagePanel(bool opens) { m_opensImagePanel = opens; }
    bool isEditable() const { return m_editable; }
    // An editable well takes dropped and pasted pictures.
    void setEditable(bool editable);

    // Degrees the picture is drawn turned by, about its centre (negative: clockwise); the view
    // keeps room for the turned corners.
    double rotation() const { return m_rotation; }
    void setRotation(double degrees);
    // The picture's square inside the view, before turning.
    QRectF pictureRect() const;

    QImage image() const { return m_image; }
    // Plain: stores and shows the picture.
    void setImage(const QImage& image);
    // A new value: the well takes the picture's size (a null picture keeps the size); as its
    // window's content the window follows, keeping its top edge and horizontal centre.
    void setObjectValue(const QImage& image);

    // A dropped or pasted picture (image data or a local image file): taken when the well is
    // editable and the data holds a picture.
    bool takeDroppedData(const QMimeData* data);

    // Runs what a double click does.
    void doubleClicked();

    QSize sizeHint() const override;

signals:
    // The user dropped or pasted a picture.
    void imageChanged(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool takeImage(const QImage& image);

    Actions m_actions;
    QImage m_image;
    bool m_canBecomeFirstResponder = true;
    bool m_opensImagePanel = false;
    bool m_editable = false;
    double m_rotation = 0.0;
};
