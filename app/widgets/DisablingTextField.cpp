#include "DisablingTextField.h"

#include <QApplication>
#include <QEvent>

DisablingTextField::DisablingTextField(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    applyTextColor();
}

void DisablingTextField::setEnabled(bool enabled)
{
    QLabel::setEnabled(enabled);
    applyTextColor();
}

QColor DisablingTextField::textColor() const
{
    return palette().color(QPalette::Active, QPalette::WindowText);
}

void DisablingTextField::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        applyTextColor();
}

void DisablingTextField::applyTextColor()
{
    const QPalette standard = QApplication::palette(this);
    const QColor color = isEnabled() ? standard.color(QPalette::Active, QPalette::WindowText)
                                     : standard.color(QPalette::Disabled, QPalette::WindowText);
    QPalette own = palette();
    if (own.color(QPalette::Active, QPalette::WindowText) == color)
        return;
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled })
        own.setColor(group, QPalette::WindowText, color);
    setPalette(own);
}
