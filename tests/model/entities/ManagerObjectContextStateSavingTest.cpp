#include "ManagerObjectContextStateSaving.h"

#include "UndoManager.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <thread>

namespace State = ManagerObjectContextStateSaving;

namespace
{

class UndoStateSaving : public ::testing::Test
{
protected:
    UndoManager undoManager;
    QStringList calls; // processPendingChanges, with the registration state it saw
    int baseDepth = State::undoStateDepth();

    void SetUp() override
    {
        State::setMainContextAccess({ [this] { return &undoManager; },
            [this] {
                calls << (undoManager.isUndoRegistrationEnabled() ? "process(on)" : "process(off)");
            } });
    }
    void TearDown() override
    {
        State::setMainContextAccess({});
        EXPECT_EQ(State::undoStateDepth(), baseDepth) << "a test left saved states behind";
    }
};

} // namespace

TEST_F(UndoStateSaving, OnlyTheOutermostPairSwitchesRegistration)
{
    State::disableUndoSavingState();
    EXPECT_FALSE(undoManager.isUndoRegistrationEnabled());
    EXPECT_EQ(State::undoStateDepth(), baseDepth + 1);

    State::disableUndoSavingState(&undoManager);
    State::enableUndoWithSavedState(&undoManager);
    EXPECT_FALSE(undoManager.isUndoRegistrationEnabled());

    State::enableUndoWithSavedState();
    EXPECT_TRUE(undoManager.isUndoRegistrationEnabled());
    // Pending changes are processed before switching off and before switching back on.
    EXPECT_EQ(calls, (QStringList { "process(on)", "process(off)" }));
}

TEST_F(UndoStateSaving, PairInsideAlreadyDisabledRegistrationChangesNothing)
{
    undoManager.disableUndoRegistration();
    State::disableUndoSavingState();
    State::enableUndoWithSavedState();
    EXPECT_FALSE(undoManager.isUndoRegistrationEnabled());
    EXPECT_TRUE(calls.isEmpty());
    undoManager.enableUndoRegistration(); // the caller's own disable still balances
    EXPECT_TRUE(undoManager.isUndoRegistrationEnabled());
}

TEST_F(UndoStateSaving, PopWithNothingSavedAnswersTheCurrentState)
{
    const MainContextAccess context { [this] { return &undoManager; }, {} };
    EXPECT_TRUE(State::popUndoStateForMOC(context));
    undoManager.disableUndoRegistration();
    EXPECT_FALSE(State::popUndoStateForMOC(context));
    State::enableUndoWithSavedState();
    EXPECT_FALSE(undoManager.isUndoRegistrationEnabled());
    undoManager.enableUndoRegistration();

    State::enableUndoWithSavedState(); // current state on: nothing to switch
    EXPECT_TRUE(undoManager.isUndoRegistrationEnabled());
}

TEST_F(UndoStateSaving, BookkeepingInsideAPairIsNotUndoable)
{
    int value = 0;
    auto set = [&](int v) {
        const int old = value;
        value = v;
        undoManager.registerUndo([&value, old] { value = old; });
    };
    set(1);
    State::disableUndoSavingState();
    set(2); // bookkeeping
    State::enableUndoWithSavedState();
    undoManager.undo();
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(undoManager.canUndo());
}

TEST_F(UndoStateSaving, NothingHappensOffTheMainThread)
{
    std::thread worker([] {
        State::disableUndoSavingState();
        State::pushUndoStateForMOC({});
    });
    worker.join();
    EXPECT_TRUE(undoManager.isUndoRegistrationEnabled());
    EXPECT_EQ(State::undoStateDepth(), baseDepth);
    EXPECT_TRUE(calls.isEmpty());

    State::disableUndoSavingState();
    bool poppedElsewhere = true;
    std::thread other([&] {
        State::enableUndoWithSavedState();
        poppedElsewhere = State::undoStateDepth() != baseDepth + 1;
    });
    other.join();
    EXPECT_FALSE(poppedElsewhere);
    EXPECT_FALSE(undoManager.isUndoRegistrationEnabled());
    State::enableUndoWithSavedState();
    EXPECT_TRUE(undoManager.isUndoRegistrationEnabled());
}

TEST_F(UndoStateSaving, ContextWithoutUndoManager)
{
    State::disableUndoSavingState(nullptr); // sent to no undo manager: nothing at all
    EXPECT_EQ(State::undoStateDepth(), baseDepth);

    State::setMainContextAccess({});
    State::disableUndoSavingState(); // saves "off", switches nothing
    EXPECT_EQ(State::undoStateDepth(), baseDepth + 1);
    State::enableUndoWithSavedState();
    EXPECT_EQ(State::undoStateDepth(), baseDepth);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_TRUE(undoManager.isUndoRegistrationEnabled());
}
