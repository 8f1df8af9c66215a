#include "UndoManager.h"

#include "Log.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>

struct UndoManager::Group {
    QString actionName;
    std::vector<Action> actions; // in registration order; nested groups are merged in when they close
};

struct UndoManager::Private {
    enum class Mode { Idle, Undoing, Redoing };

    std::vector<Group> undoStack;
    std::vector<Group> redoStack;
    std::vector<Group> open; // open groups, outermost first
    int disableCount = 0;
    bool groupsByEvent = true;
    Mode mode = Mode::Idle;
    std::function<void()> willCloseGroup;
    bool inWillCloseGroup = false;

    // The group opened implicitly by a registration; closed at the next turn of the event loop.
    bool eventGroupOpen = false;
    quint64 eventGroupSerial = 0;
    QObject eventLoopContext; // drops the pending close when the manager goes away

    bool openGroupsHaveActions() const
    {
        for (const Group& group : open) {
            if (!group.actions.empty())
                return true;
        }
        return false;
    }
};

UndoManager::UndoManager()
    : d(std::make_unique<Private>())
{
}

UndoManager::~UndoManager() = default;

void UndoManager::notifyWillCloseGroup()
{
    // The handler usually registers pending changes, which may land back here; once is enough.
    if (!d->willCloseGroup || d->inWillCloseGroup)
        return;
    d->inWillCloseGroup = true;
    d->willCloseGroup();
    d->inWillCloseGroup = false;
}

void UndoManager::beginUndoGrouping()
{
    notifyWillCloseGroup();
    d->open.push_back(Group {});
}

void UndoManager::endUndoGrouping()
{
    if (d->open.empty()) {
        Log::log(QStringLiteral("UndoManager: endUndoGrouping called without an open group; ignored"));
        return;
    }
    notifyWillCloseGroup();
    closeInnermostGroup();
}

void UndoManager::closeInnermostGroup()
{
    Group group = std::move(d->open.back());
    d->open.pop_back();
    if (!d->open.empty()) {
        Group& parent = d->open.back();
        for (Action& action : group.actions)
            parent.actions.push_back(std::move(action));
        return;
    }
    d->eventGroupOpen = false;
    if (group.actions.empty())
        return;
    if (d->mode == Private::Mode::Undoing)
        d->redoStack.push_back(std::move(group));
    else
        d->undoStack.push_back(std::move(group));
}

int UndoManager::groupingLevel() const
{
    return static_cast<int>(d->open.size());
}

void UndoManager::setGroupsByEvent(bool groupsByEvent)
{
    d->groupsByEvent = groupsByEvent;
}

bool UndoManager::groupsByEvent() const
{
    return d->groupsByEvent;
}

void UndoManager::openEventGroup()
{
    d->open.push_back(Group {});
    d->eventGroupOpen = true;
    const quint64 serial = ++d->eventGroupSerial;
    if (!QCoreApplication::instance())
        return;
    QMetaObject::invokeMethod(
        &d->eventLoopContext,
        [this, serial] {
            if (d->eventGroupOpen && d->eventGroupSerial == serial && d->open.size() == 1
                && d->mode == Private::Mode::Idle)
                endUndoGrouping();
        },
        Qt::QueuedConnection);
}

void UndoManager::registerUndo(Action undo)
{
    if (d->disableCount > 0 || !undo)
        return;
    if (d->open.empty()) {
        if (!d->groupsByEvent) {
            Log::log(QStringLiteral("UndoManager: registerUndo called outside a group; ignored"));
            return;
        }
        openEventGroup();
    }
    d->open.back().actions.push_back(std::move(undo));
    if (d->mode == Private::Mode::Idle)
        d->redoStack.clear(); // a new change makes the undone ones unreachable
}

void UndoManager::disableUndoRegistration()
{
    ++d->disableCount;
}

void UndoManager::enableUndoRegistration()
{
    if (d->disableCount > 0)
        --d->disableCount;
}

bool UndoManager::isUndoRegistrationEnabled() const
{
    return d->disableCount == 0;
}

bool UndoManager::canUndo() const
{
    return !d->undoStack.empty() || d->openGroupsHaveActions();
}

bool UndoManager::canRedo() const
{
    return !d->redoStack.empty();
}

bool UndoManager::prepareToReplay(const char* what)
{
    if (d->mode != Private::Mode::Idle) {
        Log::logf(
            QStringLiteral("UndoManager: %1 called while undoing or redoing; ignored"), QLatin1String(what));
        return false;
    }
    notifyWillCloseGroup();
    if (d->groupsByEvent && d->open.size() == 1)
        closeInnermostGroup();
    if (!d->open.empty()) {
        Log::logf(
            QStringLiteral("UndoManager: %1 called with an open undo group; ignored"), QLatin1String(what));
        return false;
    }
    return true;
}

void UndoManager::replay(std::vector<Group>& from, bool undoing)
{
    if (from.empty())
        return;
    Group group = std::move(from.back());
    from.pop_back();

    d->mode = undoing ? Private::Mode::Undoing : Private::Mode::Redoing;
    d->open.push_back(Group { group.actionName, {} });
    for (auto it = group.actions.rbegin(); it != group.actions.rend(); ++it)
        (*it)();
    notifyWillCloseGroup();
    // An action may have closed more than it opened; collect whatever is still open.
    while (!d->open.empty())
        closeInnermostGroup();
    d->mode = Private::Mode::Idle;
}

void UndoManager::undo()
{
    if (prepareToReplay("undo"))
        replay(d->undoStack, true);
}

void UndoManager::redo()
{
    if (prepareToReplay("redo"))
        replay(d->redoStack, false);
}

bool UndoManager::isUndoing() const
{
    return d->mode == Private::Mode::Undoing;
}

bool UndoManager::isRedoing() const
{
    return d->mode == Private::Mode::Redoing;
}

void UndoManager::removeAllActions()
{
    d->undoStack.clear();
    d->redoStack.clear();
    for (Group& group : d->open)
        group.actions.clear();
    d->disableCount = 0;
}

void UndoManager::setActionName(const QString& name)
{
    if (!d->open.empty())
        d->open.front().actionName = name;
    else if (!d->undoStack.empty())
        d->undoStack.back().actionName = name;
}

QString UndoManager::undoActionName() const
{
    if (d->openGroupsHaveActions())
        return d->open.front().actionName;
    return d->undoStack.empty() ? QString() : d->undoStack.back().actionName;
}

QString UndoManager::redoActionName() const
{
    return d->redoStack.empty() ? QString() : d->redoStack.back().actionName;
}

void UndoManager::setWillCloseGroupHandler(std::function<void()> handler)
{
    d->willCloseGroup = std::move(handler);
}
