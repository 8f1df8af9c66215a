#pragma once

#include <QLabel>

// A text that greys itself while disabled and takes the normal text colour again when enabled.
class DisablingTextField : public QLabel
{
    Q_OBJECT

public:
    explicit DisablingTextField(const QString& text = {}, QWidget* parent = nullptr);

    void setEnabled(bool enabled);
    QColor textColor() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyTextColor();
};
