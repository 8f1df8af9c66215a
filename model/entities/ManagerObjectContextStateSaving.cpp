#include "ManagerObjectContextStateSaving.h"

#include "UndoManager.h"

#include <QCoreApplication>
#include <QThread>
#include <memory>
#include <vector>

namespace
{

// Touched on the main thread only.
std::unique_ptr<std::vector<bool>> g_undoState;
MainContextAccess g_mainContext;

bool isMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

UndoManager* undoManagerOf(const MainContextAccess& context)
{
    return context.undoManager ? context.undoManager() : nullptr;
}

// A context without an undo manager answers "off", as a message to nothing does.
bool isRegistrationEnabled(const MainContextAccess& context)
{
    const UndoManager* undoManager = undoManagerOf(context);
    return undoManager && undoManager->isUndoRegistrationEnabled();
}

void processPendingChanges(const MainContextAccess& context)
{
    if (context.processPendingChanges)
        context.processPendingChanges();
}

} // namespace

void initUndoStateArrayForMOC()
{
    if (!g_undoState)
        g_undoState = std::make_unique<std::vector<bool>>();
}

namespace ManagerObjectContextStateSaving
{

void setMainContextAccess(MainContextAccess access)
{
    g_mainContext = std::move(access);
}

void pushUndoStateForMOC(const MainContextAccess& context)
{
    if (!isMainThread())
        return; // the stack is the main thread's alone
    initUndoStateArrayForMOC();
    g_undoState->push_back(isRegistrationEnabled(context));
}

bool popUndoStateForMOC(const MainContextAccess& context)
{
    const bool current = isRegistrationEnabled(context);
    if (!isMainThread() || !g_undoState || g_undoState->empty())
        return current;
    const bool saved = g_undoState->back();
    g_undoState->pop_back();
    return saved;
}

int undoStateDepth()
{
    return g_undoState ? int(g_undoState->size()) : 0;
}

void disableUndoSavingState()
{
    if (!isMainThread())
        return;
    const MainContextAccess context = g_mainContext;
    pushUndoStateForMOC(context);
    if (!g_undoState->back())
        return;
    processPendingChanges(context);
    if (UndoManager* undoManager = undoManagerOf(context))
        undoManager->disableUndoRegistration();
}

void disableUndoSavingState(const UndoManager* receiver)
{
    if (receiver)
        disableUndoSavingState();
}

void enableUndoWithSavedState()
{
    if (!isMainThread())
        return;
    const MainContextAccess context = g_mainContext;
    if (!popUndoStateForMOC(context))
        return;
    processPendingChanges(context);
    if (UndoManager* undoManager = undoManagerOf(context))
        undoManager->enableUndoRegistration();
}

void enableUndoWithSavedState(const UndoManager* receiver)
{
    if (receiver)
        enableUndoWithSavedState();
}

} // namespace ManagerObjectContextStateSaving
