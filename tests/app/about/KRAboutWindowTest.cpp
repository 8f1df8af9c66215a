#include "KRAboutWindow.h"

#include "KRAboutContentView.h"
#include "KRLinkButton.h"
#include "MakerAddresses.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <gtest/gtest.h>

namespace
{

void key(QWidget* widget, int key, const QString& text, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
}

void click(QWidget* widget)
{
    const QPointF at(5, 5);
    QMouseEvent press(
        QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, {}, {});
    QApplication::sendEvent(widget, &release);
}

} // namespace

TEST(KRLinkButtonTest, TheTitleGivesTheLink)
{
    const struct {
        const char* title;
        const char* link;
    } cases[] = {
        { "www.kitchora.org", "http://www.kitchora.org" },
        { "support@kitchora.org", "mailto:support@kitchora.org" },
        { "https://kitchora.org/help", "https://kitchora.org/help" },
        { "mailto:a@b.org", "mailto:a@b.org" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        KRLinkButton button(QString::fromUtf8(c.title));
        EXPECT_EQ(button.link(), QUrl(QString::fromUtf8(c.link)));
        QList<QUrl> opened;
        button.setOpener([&](const QUrl& url) {
            opened.append(url);
            return true;
        });
        button.click();
        EXPECT_EQ(opened, QList<QUrl> { button.link() });
    }
    EXPECT_EQ(KRLinkButton::linkColor().red(), 43);
    EXPECT_EQ(KRLinkButton::linkColor().green(), 25);
    EXPECT_EQ(KRLinkButton::linkColor().blue(), 8);
}

TEST(KRAboutWindowTest, ClosesOnAClickEscapeAndQOnly)
{
    const struct {
        const char* what;
        std::function<void(QWidget*)> act;
        bool closes;
    } cases[] = {
        { "Escape", [](QWidget* w) { key(w, Qt::Key_Escape, "\x1b"); }, true },
        { "q", [](QWidget* w) { key(w, Qt::Key_Q, "q"); }, true },
        { "Q", [](QWidget* w) { key(w, Qt::Key_Q, "Q", Qt::ShiftModifier); }, true },
        { "a click", [](QWidget* w) { click(w); }, true },
        { "another key", [](QWidget* w) { key(w, Qt::Key_W, "w"); }, false },
        { "Return", [](QWidget* w) { key(w, Qt::Key_Return, "\r"); }, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KRAboutWindow window;
        window.show();
        ASSERT_TRUE(window.isVisible());
        c.act(window.contentView());
        EXPECT_EQ(window.isVisible(), !c.closes);
    }
}

TEST(KRAboutWindowTest, ShowsTheTwoLinksAndClosesWhenAnotherWindowIsActivated)
{
    KRAboutWindow* window = KRAboutWindow::showAboutWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(KRAboutWindow::showAboutWindow(), window) << "one at a time";
    const QList<KRLinkButton*> links = window->findChildren<KRLinkButton*>();
    QStringList targets;
    for (const KRLinkButton* link : links)
        targets.append(link->link().toString());
    EXPECT_EQ(targets, (QStringList { "http://" + KRMakerWebAddress, "mailto:" + KRMakerMailAddress }));

    QPointer<KRAboutWindow> watched(window);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(window);
    QApplication::setActiveWindow(&other);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(!watched || !watched->isVisible());
    delete watched.data();
}
