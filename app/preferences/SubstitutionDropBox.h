#pragma once

#include <QGroupBox>
#include <QUrl>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;

// One side of a substitution rule: the ingredient, its amount with measure, and the cue that asks
// for an ingredient to be dragged here. Takes a dropped link while it is usable (its cue or its
// measure box enabled) and hands it to its delegate, which answers whether it was taken; while a
// drag is over it, it shows a focus ring.
class SubstitutionDropBox : public QGroupBox
{
    Q_OBJECT

public:
    using Delegate = std::function<bool(SubstitutionDropBox* box, const QUrl& url)>;

    explicit SubstitutionDropBox(const QString& title, QWidget* parent = nullptr);

    void setDelegate(Delegate delegate) { m_delegate = std::move(delegate); }
    void setIngredientField(QLineEdit* field) { m_ingredientField = field; }
    void setMeasureComboBox(QComboBox* comboBox) { m_measureComboBox = comboBox; }
    void setDragCueText(QLabel* cue);
    QLineEdit* ingredientField() const { return m_ingredientField; }
    QComboBox* measureComboBox() const { return m_measureComboBox; }
    QLabel* dragCueText() const { return m_dragCueText; }
    bool dragOver() const { return m_dragOver; }

    // Whether a drag may drop here now.
    bool acceptsDrag() const;
    // The drop: the delegate's answer for the first link; false without delegate or link.
    bool performDrop(const QUrl& url);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setDragOver(bool over);
    void updateCueColor();

    Delegate m_delegate;
    QLineEdit* m_ingredientField = nullptr;
    QComboBox* m_measureComboBox = nullptr;
    QLabel* m_dragCueText = nullptr;
    bool m_dragOver = false;
};
