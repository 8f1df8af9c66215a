#pragma once

#include <QWidget>

class ManagedObject;
class QLabel;

// The floating panel that shows the current recipe's picture, 512 points square: a titled,
// closable, minimisable tool window that stays up while another program is active. It only shows;
// the picture is changed elsewhere. Main thread only.
class ImagePanel : public QWidget
{
    Q_OBJECT

public:
    explicit ImagePanel(QWidget* parent = nullptr);

    // Shows the recipe's picture preview; nothing for nullptr or no recipe.
    void setRecipe(ManagedObject* recipe);
    QImage shownImage() const;

private:
    QLabel* m_picture = nullptr;
};
