#include "ImagePanel.h"

#include "ImageMO.h"
#include "ManagedObject.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

ImagePanel::ImagePanel(QWidget* parent)
    : QWidget(
        parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint)
{
    setWindowTitle(tr("Current Recipe Image"));
    setFixedSize(int(KRMaxImageSize), int(KRMaxImageSize));
    // Tool windows hide while the program is inactive; this one stays.
    setAttribute(Qt::WA_MacAlwaysShowToolWindow);
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_picture = new QLabel;
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_picture);
}

void ImagePanel::setRecipe(ManagedObject* recipe)
{
    auto* picture = recipe ? dynamic_cast<ImageMO*>(recipe->objectForKey(QStringLiteral("image"))) : nullptr;
    const QImage preview = picture ? picture->preview() : QImage();
    if (preview.isNull()) {
        m_picture->clear();
        return;
    }
    m_picture->setPixmap(
        QPixmap::fromImage(preview.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

QImage ImagePanel::shownImage() const
{
    return m_picture->pixmap().toImage();
}
