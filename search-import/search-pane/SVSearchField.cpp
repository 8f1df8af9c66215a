#include "SVSearchField.h"

#include "SVButtonCell.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace
{

QIcon magnifierIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x60, 0x60, 0x60), 1.6));
    painter.drawEllipse(QRectF(2.5, 2.5, 8, 8));
    painter.drawLine(QPointF(9.5, 9.5), QPointF(13.5, 13.5));
    return QIcon(pixmap);
}

} // namespace

SVSearchField::SVSearchField(QWidget* parent)
    : QLineEdit(parent)
    , m_buttonCell(new SVButtonCell(this))
{
    setClearButtonEnabled(true);
    setPlaceholderText(tr("Search"));
    QAction* magnifier = addAction(magnifierIcon(), QLineEdit::LeadingPosition);
    magnifier->setToolTip(tr("Recent Searches"));
    connect(magnifier, &QAction::triggered, this, &SVSearchField::showSearchMenu);
    connect(this, &QLineEdit::editingFinished, this, [this] { addRecentSearch(text()); });
}

SVSearchField::~SVSearchField() = default;

void SVSearchField::addRecentSearch(const QString& search)
{
    const QString trimmed = search.trimmed();
    if (trimmed.isEmpty())
        return;
    m_recents.removeAll(trimmed);
    m_recents.prepend(trimmed);
    while (m_recents.size() > kMaximumRecents)
        m_recents.removeLast();
}

std::unique_ptr<QMenu> SVSearchField::makeSearchMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    if (!m_template)
        return menu;
    menu->setTitle(m_template->title());
    for (QAction* item : m_template->actions()) {
        const qint64 tag = SVButtonCell::tagOf(item);
        const bool none = m_recents.isEmpty();
        if (tag == NoRecentsMenuItemTag && none) {
            menu->addAction(item->text())->setEnabled(false);
        } else if (none) {
            continue;
        } else if (item->isSeparator()) {
            menu->addSeparator();
        } else if (tag == RecentsTitleMenuItemTag) {
            menu->addAction(item->text())->setEnabled(false);
        } else if (tag == RecentsMenuItemTag) {
            for (const QString& recent : m_recents) {
                QAction* action = menu->addAction(recent);
                action->setData(RecentsMenuItemTag);
                connect(action, &QAction::triggered, this, [this, recent] {
                    setText(recent);
                    emit recentSearchChosen(recent);
                });
            }
        } else if (tag == ClearRecentsMenuItemTag) {
            connect(
                menu->addAction(item->text()), &QAction::triggered, this, [this] { clearRecentSearches(); });
        }
    }
    m_buttonCell->setMenu(menu.get());
    return menu;
}

void SVSearchField::showSearchMenu()
{
    std::unique_ptr<QMenu> menu = makeSearchMenu();
    menu->exec(mapToGlobal(QPoint(0, height())));
}
