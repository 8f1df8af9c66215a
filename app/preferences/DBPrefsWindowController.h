#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QMainWindow;
class QParallelAnimationGroup;
class QToolBar;
class QWidget;

// A preferences window: a toolbar of panes, each a view registered under its label; choosing one
// shows its view, resizes the window to it (keeping the window's left and top edges) and, when
// asked, cross-fades from the old view. Subclasses register their panes in setupToolbar(), which
// runs again on every showWindow(). Main thread only.
class DBPrefsWindowController : public QObject
{
    Q_OBJECT

public:
    explicit DBPrefsWindowController(QObject* parent = nullptr);
    ~DBPrefsWindowController() override;

    // Made on first use; its content is the container of the shown pane.
    QMainWindow* window();
    QToolBar* toolbar() const { return m_toolbar; }
    QWidget* contentSubview() const { return m_contentSubview; }

    // Registers a pane; the label is its identifier. The view must not be null. The controller
    // keeps the view from then on.
    void addView(QWidget* view, const QString& label);
    void addView(QWidget* view, const QString& label, const QIcon& image);

    bool crossFade() const { return m_crossFade; }
    void setCrossFade(bool fade) { m_crossFade = fade; }
    bool shiftSlowsAnimation() const { return m_shiftSlowsAnimation; }
    void setShiftSlowsAnimation(bool slows) { m_shiftSlowsAnimation = slows; }
    // Whether Shift is held now; tests replace the keyboard's answer.
    void setShiftKeyProbe(std::function<bool()> probe) { m_shiftDown = std::move(probe); }

    // Registers the panes afresh, selects the first and shows the window centred.
    void showWindow();
    void displayViewForIdentifier(const QString& identifier, bool animate);

    QStringList toolbarIdentifiers() const { return m_toolbarIdentifiers; }
    QWidget* viewForIdentifier(const QString& identifier) const { return m_toolbarViews.value(identifier); }
    QAction* toolbarItem(const QString& identifier) const { return m_toolbarItems.value(identifier); }
    QString shownIdentifier() const { return m_shownIdentifier; }
    // The running cross-fade, or nullptr.
    QParallelAnimationGroup* viewAnimation() const { return m_viewAnimation; }
    // The window geometry that shows `view` whole.
    QRect frameForView(QWidget* view);

protected:
    virtual void setupToolbar() { }
    // Builds the panes' views; runs once, when the window is made.
    virtual void windowDidLoad() { }

private:
    void toggleActivePreferenceView(QAction* item);
    void crossFadeView(QWidget* oldView, QWidget* newView);
    void animationDidEnd();
    void setWindowGeometry(const QRect& geometry);

    QStringList m_toolbarIdentifiers;
    QHash<QString, QPointer<QWidget>> m_toolbarViews;
    QHash<QString, QAction*> m_toolbarItems;
    bool m_crossFade = true;
    bool m_shiftSlowsAnimation = true;
    std::function<bool()> m_shiftDown;
    std::unique_ptr<QMainWindow> m_window;
    QToolBar* m_toolbar = nullptr;
    QActionGroup* m_toolbarGroup = nullptr;
    QWidget* m_contentSubview = nullptr;
    QPointer<QWidget> m_shownView;
    QString m_shownIdentifier;
    QParallelAnimationGroup* m_viewAnimation = nullptr;
};
