#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

// Records inverse actions in groups so that a user action can be undone and redone as one.
// Actions registered while undoing go to the redo stack, and vice versa.
class UndoManager
{
public:
    using Action = std::function<void()>;

    UndoManager();
    ~UndoManager();
    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;

    // Groups nest; only the outermost group becomes one undo step, and an empty one is dropped.
    // With groupsByEvent on (the default), a registration outside any explicit group opens one
    // that stays open until undo/redo is asked for, endUndoGrouping closes it, or the event
    // loop of the manager's thread next turns (so one event's changes make one step).
    void beginUndoGrouping();
    void endUndoGrouping();
    int groupingLevel() const;
    void setGroupsByEvent(bool groupsByEvent);
    bool groupsByEvent() const;

    // Registers `undo` as the inverse of a change just made. Ignored while registration is off,
    // and (logged) outside a group when groupsByEvent is off. Clears the redo stack unless it
    // is called while undoing or redoing.
    void registerUndo(Action undo);

    // Counted: every disable needs its enable. An enable without a disable is a no-op.
    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const;

    // undo/redo close the event group first; with other groups open they log and do nothing.
    bool canUndo() const;
    bool canRedo() const;
    void undo();
    void redo();
    bool isUndoing() const;
    bool isRedoing() const;
    // Clears both stacks and what open groups hold, and turns registration back on.
    void removeAllActions();

    // Names the open outermost group, or else the step on top of the undo stack.
    void setActionName(const QString& name);
    QString undoActionName() const;
    QString redoActionName() const;

    // Called when a group opens or is about to close, and before and after undo/redo run
    // (a context processes its pending changes here, so they land in the right group).
    // Not re-entered when the handler itself opens or closes groups.
    void setWillCloseGroupHandler(std::function<void()> handler);

private:
    struct Group;
    struct Private;
    void notifyWillCloseGroup();
    void closeInnermostGroup();
    void openEventGroup();
    bool prepareToReplay(const char* what);
    void replay(std::vector<Group>& from, bool undoing);

    std::unique_ptr<Private> d;
};
