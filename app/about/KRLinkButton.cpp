#include "KRLinkButton.h"

#include <QDesktopServices>

KRLinkButton::KRLinkButton(const QString& title, QWidget* parent)
    : QPushButton(title, parent)
    , m_link(linkForTitle(title))
    , m_opener([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette palette = this->palette();
    palette.setColor(QPalette::ButtonText, linkColor());
    setPalette(palette);
    setStyleSheet(QStringLiteral("KRLinkButton { border: none; background: transparent; color: %1; }")
                      .arg(linkColor().name()));
    connect(this, &QPushButton::clicked, this, &KRLinkButton::openURL);
}

QColor KRLinkButton::linkColor()
{
    return QColor::fromRgbF(43 / 255.0f, 25 / 255.0f, 8 / 255.0f, 1.0f);
}

QUrl KRLinkButton::linkForTitle(const QString& title)
{
    if (title.contains(u':'))
        return QUrl(title);
    if (title.contains(u'@'))
        return QUrl(QStringLiteral("mailto:") + title);
    return QUrl(QStringLiteral("http://") + title);
}

void KRLinkButton::openURL()
{
    if (m_opener && m_link.isValid())
        m_opener(m_link);
}
