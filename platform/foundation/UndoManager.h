#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

// Records inverse actions in groups so that a user action can be undone and redone as one.
// Actions registered while undoing go to the redo stack, and vice versa.
class UndoManager {
public:
    using Action = std::function<void()>;

    UndoManager();
    ~UndoManager();
    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;

    // Groups nest; only the outermost group becomes one undo step. With groupsByEvent on
    // (the default), a registration outside any explicit group opens one that stays open
    // until undo/redo is asked for or endUndoGrouping closes it.
    void beginUndoGrouping();
    void endUndoGrouping();
    int groupingLevel() const;
    void setGroupsByEvent(bool groupsByEvent);
    bool groupsByEvent() const;

    // Registers `undo` as the inverse of a change just made. Ignored while registration is off.
    void registerUndo(Action undo);

    // Counted: every disable needs its enable. An enable without a disable is a no-op.
    void disableUndoRegistration();
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const;

    bool canUndo() const;
    bool canRedo() const;
    void undo();
    void redo();
    bool isUndoing() const;
    bool isRedoing() const;
    void removeAllActions();

    void setActionName(const QString& name);
    QString undoActionName() const;
    QString redoActionName() const;

    // Called before undo/redo run and after a group closes (a context processes its pending
    // changes here so the group is complete).
    void setWillCloseGroupHandler(std::function<void()> handler);

private:
    struct Group;
    struct Private;
    std::unique_ptr<Private> d;
};
