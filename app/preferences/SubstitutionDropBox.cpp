#include "SubstitutionDropBox.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionFocusRect>

SubstitutionDropBox::SubstitutionDropBox(const QString& title, QWidget* parent)
    : QGroupBox(title, parent)
{
    setAcceptDrops(true);
}

void SubstitutionDropBox::setDragCueText(QLabel* cue)
{
    m_dragCueText = cue;
    if (cue)
        cue->installEventFilter(this);
    updateCueColor();
}

void SubstitutionDropBox::changeEvent(QEvent* event)
{
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        updateCueColor();
}

void SubstitutionDropBox::updateCueColor()
{
    if (!m_dragCueText)
        return;
    QPalette palette = m_dragCueText->palette();
    const QColor color = m_dragCueText->isEnabled() ? palette.color(QPalette::Disabled, QPalette::WindowText)
                                                    : palette.color(QPalette::Highlight);
    palette.setColor(QPalette::WindowText, color);
    m_dragCueText->setPalette(palette);
    m_dragCueText->update();
}

bool SubstitutionDropBox::eventFilter(QObject* watched, QEvent* event)
{
    // The cue's colour follows its enabled state.
    if (watched == m_dragCueText && event->type() == QEvent::EnabledChange)
        updateCueColor();
    return QGroupBox::eventFilter(watched, event);
}

bool SubstitutionDropBox::acceptsDrag() const
{
    const bool cueEnabled = m_dragCueText && m_dragCueText->isEnabled();
    const bool comboEnabled = m_measureComboBox && m_measureComboBox->isEnabled();
    return cueEnabled || comboEnabled;
}

bool SubstitutionDropBox::performDrop(const QUrl& url)
{
    if (!m_delegate || url.isEmpty())
        return false;
    return m_delegate(this, url);
}

void SubstitutionDropBox::setDragOver(bool over)
{
    if (m_dragOver == over)
        return;
    m_dragOver = over;
    update();
}

void SubstitutionDropBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (!acceptsDrag() || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    setDragOver(true);
    event->acceptProposedAction();
}

void SubstitutionDropBox::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDragOver(false);
    QGroupBox::dragLeaveEvent(event);
}

void SubstitutionDropBox::dropEvent(QDropEvent* event)
{
    setDragOver(false);
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && performDrop(urls.first()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void SubstitutionDropBox::paintEvent(QPaintEvent* event)
{
    QGroupBox::paintEvent(event);
    if (!m_dragOver)
        return;
    // Only a focus ring, just inside the border.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ring = QRectF(rect()).adjusted(4.0, 5.0 + 1.0, -4.0, -5.0 + 1.0);
    QPainterPath path;
    path.addRoundedRect(ring, 2.0, 2.0);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 3.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}
