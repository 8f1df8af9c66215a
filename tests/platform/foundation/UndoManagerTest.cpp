#include "UndoManager.h"

#include "Log.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace
{

// A value whose setter registers its own inverse, as model objects do.
struct Document {
    UndoManager& undoManager;
    int value = 0;

    void set(int newValue)
    {
        const int old = value;
        value = newValue;
        undoManager.registerUndo([this, old] { set(old); });
    }
};

class UndoManagerTest : public ::testing::Test
{
protected:
    UndoManager undoManager;
    Document doc { undoManager };
};

} // namespace

TEST_F(UndoManagerTest, UndoAndRedoSwapStacksThroughRegistrationsMadeWhileReplaying)
{
    doc.set(1);
    EXPECT_EQ(undoManager.groupingLevel(), 1); // the event group
    EXPECT_TRUE(undoManager.canUndo());

    undoManager.undo();
    EXPECT_EQ(doc.value, 0);
    EXPECT_EQ(undoManager.groupingLevel(), 0);
    EXPECT_FALSE(undoManager.canUndo());
    ASSERT_TRUE(undoManager.canRedo());

    undoManager.redo();
    EXPECT_EQ(doc.value, 1);
    EXPECT_FALSE(undoManager.canRedo());

    undoManager.undo();
    EXPECT_EQ(doc.value, 0);
    undoManager.redo();
    EXPECT_EQ(doc.value, 1);
}

TEST_F(UndoManagerTest, NestedGroupsMakeOneStepUndoneInReverseOrder)
{
    std::vector<int> seen;
    undoManager.beginUndoGrouping();
    doc.set(1);
    undoManager.beginUndoGrouping();
    EXPECT_EQ(undoManager.groupingLevel(), 2);
    doc.set(2);
    undoManager.endUndoGrouping();
    doc.set(3);
    undoManager.registerUndo([&] { seen.push_back(doc.value); });
    undoManager.endUndoGrouping();
    EXPECT_EQ(undoManager.groupingLevel(), 0);

    undoManager.undo();
    EXPECT_EQ(doc.value, 0);
    EXPECT_EQ(seen, std::vector<int> { 3 }); // the last registration ran first
    EXPECT_FALSE(undoManager.canUndo());

    undoManager.redo();
    EXPECT_EQ(doc.value, 3);
}

TEST_F(UndoManagerTest, EmptyGroupIsDropped)
{
    undoManager.beginUndoGrouping();
    undoManager.endUndoGrouping();
    EXPECT_FALSE(undoManager.canUndo());
    EXPECT_TRUE(undoManager.undoActionName().isEmpty());
}

TEST_F(UndoManagerTest, RegistrationOffIsCountedAndAnUnbalancedEnableIsANoOp)
{
    undoManager.enableUndoRegistration(); // nothing to balance: no effect
    EXPECT_TRUE(undoManager.isUndoRegistrationEnabled());

    undoManager.disableUndoRegistration();
    undoManager.disableUndoRegistration();
    undoManager.enableUndoRegistration();
    EXPECT_FALSE(undoManager.isUndoRegistrationEnabled());
    doc.set(5);
    EXPECT_FALSE(undoManager.canUndo());

    undoManager.enableUndoRegistration();
    EXPECT_TRUE(undoManager.isUndoRegistrationEnabled());
    undoManager.enableUndoRegistration();
    undoManager.disableUndoRegistration(); // the extra enable did not bank a credit
    EXPECT_FALSE(undoManager.isUndoRegistrationEnabled());
}

TEST_F(UndoManagerTest, ANewChangeClearsRedoButChangesMadeWhileUndoingDoNot)
{
    doc.set(1);
    undoManager.undo();
    ASSERT_TRUE(undoManager.canRedo());
    doc.set(7);
    EXPECT_FALSE(undoManager.canRedo());
}

TEST_F(UndoManagerTest, ActionNamesTravelBetweenStacks)
{
    doc.set(1);
    undoManager.setActionName("Change Servings");
    EXPECT_EQ(undoManager.undoActionName(), "Change Servings");
    undoManager.undo();
    EXPECT_EQ(undoManager.redoActionName(), "Change Servings");
    EXPECT_TRUE(undoManager.undoActionName().isEmpty());
    undoManager.redo();
    EXPECT_EQ(undoManager.undoActionName(), "Change Servings");

    // With no group open the name goes to the step on top of the undo stack.
    undoManager.setActionName("Rename");
    EXPECT_EQ(undoManager.undoActionName(), "Rename");
}

TEST_F(UndoManagerTest, RemoveAllActionsClearsStacksAndTurnsRegistrationBackOn)
{
    doc.set(1);
    undoManager.undo();
    doc.set(2);
    undoManager.endUndoGrouping();
    doc.set(3);
    undoManager.disableUndoRegistration();
    undoManager.removeAllActions();
    EXPECT_FALSE(undoManager.canUndo());
    EXPECT_FALSE(undoManager.canRedo());
    EXPECT_TRUE(undoManager.isUndoRegistrationEnabled());
    EXPECT_EQ(undoManager.groupingLevel(), 1); // the open group stays balanced, only emptied
    undoManager.endUndoGrouping();
    EXPECT_FALSE(undoManager.canUndo());
}

TEST_F(UndoManagerTest, WithoutGroupsByEventARegistrationOutsideAGroupIsRefused)
{
    undoManager.setGroupsByEvent(false);
    Log::Capture capture;
    doc.set(1);
    EXPECT_FALSE(undoManager.canUndo());
    EXPECT_TRUE(capture.contains("outside a group"));

    undoManager.beginUndoGrouping();
    doc.set(2);
    undoManager.undo(); // the explicit group is still open: refused
    EXPECT_EQ(doc.value, 2);
    EXPECT_TRUE(capture.contains("open undo group"));
    undoManager.endUndoGrouping();
    undoManager.undo();
    EXPECT_EQ(doc.value, 1);
}

TEST_F(UndoManagerTest, UnbalancedEndIsLoggedAndIgnored)
{
    Log::Capture capture;
    undoManager.endUndoGrouping();
    EXPECT_EQ(undoManager.groupingLevel(), 0);
    EXPECT_TRUE(capture.contains("without an open group"));
}

TEST_F(UndoManagerTest, EventLoopClosesTheEventGroupSoEachEventIsOneStep)
{
    doc.set(1);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(undoManager.groupingLevel(), 0);
    doc.set(2);
    doc.set(3);
    QCoreApplication::sendPostedEvents();

    undoManager.undo();
    EXPECT_EQ(doc.value, 1);
    undoManager.undo();
    EXPECT_EQ(doc.value, 0);
}

TEST_F(UndoManagerTest, StaleEventCloseLeavesALaterExplicitGroupAlone)
{
    doc.set(1);
    undoManager.endUndoGrouping(); // closes the event group before the loop turns
    undoManager.beginUndoGrouping();
    doc.set(2);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(undoManager.groupingLevel(), 1);
    undoManager.endUndoGrouping();
}

TEST(UndoManager, PendingCloseIsDroppedWhenTheManagerGoesAway)
{
    {
        UndoManager transient;
        transient.registerUndo([] {});
    }
    QCoreApplication::sendPostedEvents(); // must not touch the destroyed manager
    SUCCEED();
}

TEST_F(UndoManagerTest, WillCloseHandlerPutsPendingChangesIntoTheClosingGroup)
{
    // A context that records changes and registers their inverses only when asked.
    std::vector<int> pending;
    int calls = 0;
    undoManager.setWillCloseGroupHandler([&] {
        ++calls;
        for (int old : pending)
            undoManager.registerUndo([&, old] {
                pending.push_back(doc.value);
                doc.value = old;
            });
        pending.clear();
    });

    undoManager.beginUndoGrouping();
    pending.push_back(doc.value);
    doc.value = 4;
    undoManager.endUndoGrouping(); // the handler registers the pending change into this group
    EXPECT_TRUE(undoManager.canUndo());
    EXPECT_TRUE(pending.empty());

    undoManager.undo(); // the undo's own change is pending; the handler sends it to redo
    EXPECT_EQ(doc.value, 0);
    EXPECT_TRUE(pending.empty());
    ASSERT_TRUE(undoManager.canRedo());
    undoManager.redo();
    EXPECT_EQ(doc.value, 4);
    EXPECT_GT(calls, 0);
}
