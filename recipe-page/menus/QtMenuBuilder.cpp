#include "QtMenuBuilder.h"

#include "ContextualMenuEngine.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

namespace
{

// Menus take "&" as the mark of a mnemonic; a recipe named "Mac & Cheese" keeps its "&".
QString escapedTitle(const QString& title)
{
    return QString(title).replace(u'&', QStringLiteral("&&"));
}

} // namespace

QMenu* QtMenuBuilder::menuFromModel(const MenuModel& model, const Perform& perform, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    fillMenu(menu, model, perform);
    return menu;
}

void QtMenuBuilder::fillMenu(QMenu* menu, const MenuModel& model, const Perform& perform)
{
    // Submenus made for earlier contents go with them.
    for (QAction* action : menu->actions()) {
        QMenu* submenu = action->menu();
        menu->removeAction(action);
        if (action->parent() == menu)
            delete action;
        if (submenu && submenu->parent() == menu)
            delete submenu;
    }
    menu->setTitle(escapedTitle(model.title()));
    for (const MenuItemModel& item : model.items()) {
        if (item.separator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = nullptr;
        if (item.submenu) {
            QMenu* submenu = menuFromModel(*item.submenu, perform, menu);
            submenu->setTitle(escapedTitle(item.title));
            action = menu->addMenu(submenu);
        } else {
            action = menu->addAction(escapedTitle(item.title));
            if (item.hasAction())
                QObject::connect(action, &QAction::triggered, menu, [perform, item] {
                    if (perform)
                        perform(item);
                });
        }
        action->setEnabled(model.isItemEnabled(item));
        action->setCheckable(item.checked);
        action->setChecked(item.checked);
        if (item.contextualFont)
            action->setFont(ContextualMenuEngine::fontForContextualMenuItems());
        if (!item.keyEquivalent.isEmpty()) {
            const QKeySequence key = QKeySequence::fromString(item.keyEquivalent.toUpper());
            if (!key.isEmpty())
                action->setShortcut(QKeySequence(QKeyCombination(item.keyEquivalentModifiers, key[0].key())));
        }
    }
}
