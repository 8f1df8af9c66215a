#pragma once

#include <functional>

class UndoManager;

// What undo-state saving needs of the main managed object context, which the application
// controller owns: its undo manager (nullptr when it has none) and a way to have it register
// its pending changes. Installed at launch; until then the context counts as having no undo
// manager.
struct MainContextAccess {
    std::function<UndoManager*()> undoManager;
    std::function<void()> processPendingChanges;
};

// Switches undo registration off around bookkeeping changes and back to what it was, on the
// main context's undo manager. Pairs nest: only the outermost pair switches anything. One
// process-wide stack of saved states; everything happens on the main thread only, elsewhere
// these calls do nothing.
namespace ManagerObjectContextStateSaving
{

void setMainContextAccess(MainContextAccess access);

// Saves whether registration is on; when it is, processes pending changes and switches it off.
void disableUndoSavingState();
// As sent to an undo manager: nothing happens when `receiver` is null (a context without one).
// Otherwise the receiver is not consulted further: the main context is always the one acted on.
void disableUndoSavingState(const UndoManager* receiver);

// Takes the saved state back; when it was on, processes pending changes and switches it on.
void enableUndoWithSavedState();
void enableUndoWithSavedState(const UndoManager* receiver);

// Pushes whether the context's undo manager has registration on.
void pushUndoStateForMOC(const MainContextAccess& context);
// The saved state on top, removed; with nothing saved, the current state, and nothing changes.
bool popUndoStateForMOC(const MainContextAccess& context);

// How many states are saved (0 before the first push).
int undoStateDepth();

} // namespace ManagerObjectContextStateSaving

// Creates the process-wide stack of saved states when it does not exist yet.
void initUndoStateArrayForMOC();
