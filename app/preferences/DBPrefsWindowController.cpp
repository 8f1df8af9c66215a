#include "DBPrefsWindowController.h"

#include "PrefsPaneGeometry.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QMainWindow>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QScreen>
#include <QToolBar>

DBPrefsWindowController::DBPrefsWindowController(QObject* parent)
    : QObject(parent)
    , m_shiftDown([] { return QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier); })
{
}

DBPrefsWindowController::~DBPrefsWindowController()
{
    if (m_viewAnimation)
        m_viewAnimation->stop();
    // The views registered but not shown belong to the controller.
    for (const QPointer<QWidget>& view : std::as_const(m_toolbarViews)) {
        if (view && !view->parent())
            delete view.data();
    }
}

QMainWindow* DBPrefsWindowController::window()
{
    if (m_window)
        return m_window.get();
    m_window = std::make_unique<QMainWindow>();
    // Titled, closable and minimisable; the panes set its size.
    m_window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
        | Qt::WindowMinimizeButtonHint | Qt::CustomizeWindowHint);
    m_contentSubview = new QWidget;
    m_window->setCentralWidget(m_contentSubview);
    windowDidLoad();
    return m_window.get();
}

void DBPrefsWindowController::addView(QWidget* view, const QString& label)
{
    addView(view, label, QIcon::fromTheme(label.toLower()));
}

void DBPrefsWindowController::addView(QWidget* view, const QString& label, const QIcon& image)
{
    Q_ASSERT_X(view, "addView", "Attempted to add a nil view when calling -addView:label:image:.");
    if (!view)
        return;
    const QString identifier = label;
    m_toolbarIdentifiers.append(identifier);
    m_toolbarViews.insert(identifier, view);
    auto* item = new QAction(image, label, this);
    item->setObjectName(identifier);
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, [this, item] { toggleActivePreferenceView(item); });
    m_toolbarItems.insert(identifier, item);
}

void DBPrefsWindowController::showWindow()
{
    window();
    for (QAction* item : std::as_const(m_toolbarItems))
        item->deleteLater();
    m_toolbarIdentifiers.clear();
    m_toolbarViews.clear();
    m_toolbarItems.clear();
    setupToolbar();
    Q_ASSERT_X(!m_toolbarIdentifiers.isEmpty(), "showWindow",
        "No items were added to the toolbar in -setupToolbar.");
    if (m_toolbarIdentifiers.isEmpty())
        return;

    if (!m_toolbar) {
        m_toolbar = new QToolBar(QStringLiteral("DBPreferencesToolbar"));
        m_toolbar->setObjectName(QStringLiteral("DBPreferencesToolbar"));
        m_toolbar->setMovable(false);
        m_toolbar->setFloatable(false);
        m_toolbar->toggleViewAction()->setEnabled(false);
        m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
        m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        m_window->addToolBar(Qt::TopToolBarArea, m_toolbar);
    }
    m_toolbar->clear();
    delete m_toolbarGroup;
    m_toolbarGroup = new QActionGroup(this);
    m_toolbarGroup->setExclusive(true);
    for (const QString& identifier : std::as_const(m_toolbarIdentifiers)) {
        QAction* item = m_toolbarItems.value(identifier);
        m_toolbarGroup->addAction(item);
        m_toolbar->addAction(item);
    }

    // A fresh registration shows the first pane, whatever was shown before.
    m_shownIdentifier.clear();
    displayViewForIdentifier(m_toolbarIdentifiers.first(), false);
    if (const QScreen* screen = m_window->screen()) {
        QRect geometry = m_window->geometry();
        geometry.moveCenter(screen->availableGeometry().center());
        setWindowGeometry(geometry);
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void DBPrefsWindowController::toggleActivePreferenceView(QAction* item)
{
    displayViewForIdentifier(item->objectName(), true);
}

QRect DBPrefsWindowController::frameForView(QWidget* view)
{
    window();
    // What the window holds above its content: the toolbar, once it is shown.
    const int chrome = m_toolbar && !m_toolbar->isHidden() ? m_toolbar->sizeHint().height() : 0;
    const QRect geometry = m_window->geometry();
    return PrefsPaneGeometry::frameForView(geometry, geometry.height() - chrome, view->size());
}

void DBPrefsWindowController::setWindowGeometry(const QRect& geometry)
{
    // The window is not resizable by the user; it takes the size of its pane.
    m_window->setMinimumSize(0, 0);
    m_window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_window->setGeometry(geometry);
    m_window->setFixedSize(geometry.size());
}

void DBPrefsWindowController::displayViewForIdentifier(const QString& identifier, bool animate)
{
    QWidget* newView = m_toolbarViews.value(identifier);
    if (!newView)
        return;
    QWidget* oldView = m_shownView;
    if (newView == oldView && m_shownIdentifier == identifier)
        return;
    // Only the shown view stays (a cross-fade may still hold two).
    if (m_viewAnimation) {
        m_viewAnimation->stop();
        animationDidEnd();
    }
    for (QWidget* child : m_contentSubview->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != oldView && child != newView)
            child->hide();
    }

    if (QAction* item = m_toolbarItems.value(identifier))
        item->setChecked(true);
    newView->setParent(m_contentSubview);
    // The view's top meets the content's top.
    newView->move(0, 0);
    m_shownView = newView;
    m_shownIdentifier = identifier;
    newView->setFocus();

    if (animate && m_crossFade && oldView && oldView != newView) {
        crossFadeView(oldView, newView);
    } else {
        if (oldView && oldView != newView)
            oldView->hide();
        newView->show();
        setWindowGeometry(frameForView(newView));
    }
    m_window->setWindowTitle(identifier);
}

void DBPrefsWindowController::crossFadeView(QWidget* oldView, QWidget* newView)
{
    const double seconds
        = PrefsPaneGeometry::crossFadeDuration(m_shiftSlowsAnimation, m_shiftDown && m_shiftDown());
    const int milliseconds = int(seconds * 1000.0);
    m_viewAnimation = new QParallelAnimationGroup(this);

    auto fade = [&](QWidget* view, double from, double to) {
        auto* effect = new QGraphicsOpacityEffect(view);
        effect->setOpacity(from);
        view->setGraphicsEffect(effect);
        auto* animation = new QPropertyAnimation(effect, "opacity");
        animation->setDuration(milliseconds);
        animation->setStartValue(from);
        animation->setEndValue(to);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
        m_viewAnimation->addAnimation(animation);
    };
    fade(oldView, 1.0, 0.0);
    newView->show();
    fade(newView, 0.0, 1.0);

    const QRect target = frameForView(newView);
    m_window->setMinimumSize(0, 0);
    m_window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    auto* resize = new QPropertyAnimation(m_window.get(), "geometry");
    resize->setDuration(milliseconds);
    resize->setStartValue(m_window->geometry());
    resize->setEndValue(target);
    resize->setEasingCurve(QEasingCurve::InOutQuad);
    m_viewAnimation->addAnimation(resize);

    connect(m_viewAnimation, &QAbstractAnimation::finished, this, [this] { animationDidEnd(); });
    m_viewAnimation->start();
}

void DBPrefsWindowController::animationDidEnd()
{
    QParallelAnimationGroup* animation = std::exchange(m_viewAnimation, nullptr);
    if (animation)
        animation->deleteLater();
    for (QWidget* child : m_contentSubview->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        child->setGraphicsEffect(nullptr);
        if (child != m_shownView)
            child->hide();
    }
    if (m_shownView)
        setWindowGeometry(frameForView(m_shownView));
    if (QWidget* focused = m_window->focusWidget())
        focused->clearFocus();
}
