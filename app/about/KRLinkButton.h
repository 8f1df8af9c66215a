#pragma once

#include <QPushButton>
#include <QUrl>
#include <functional>

// A flat, underlined button whose title is its link, in the About window's brown: a title with a
// scheme is used as it stands, one with "@" becomes a mail address, anything else a web address.
// Clicking it opens the link in the user's browser or mail program.
class KRLinkButton : public QPushButton
{
    Q_OBJECT

public:
    explicit KRLinkButton(const QString& title, QWidget* parent = nullptr);

    static QColor linkColor();
    // The link a title stands for.
    static QUrl linkForTitle(const QString& title);

    QUrl link() const { return m_link; }
    // How the link is opened; by default the desktop's handler for its scheme.
    void setOpener(std::function<bool(const QUrl&)> opener) { m_opener = std::move(opener); }
    void openURL();

private:
    QUrl m_link;
    std::function<bool(const QUrl&)> m_opener;
};
