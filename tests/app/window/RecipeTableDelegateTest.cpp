// Dragged recipes as object URIs and as card files with safe names; a delete drag deletes, a copy
// drag does not; the edited card is written back before the list's selection moves, never for the
// row already selected.
#include "RecipeTableDelegate.h"

#include "ModelStoreFixture.h"
#include "RecipeMO.h"
#include "RecipePasteboard.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

class RecipeTableDelegateTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        ASSERT_TRUE(scratch.isValid());
        RecipeTableDelegate::Outlets outlets;
        outlets.recipeAtRow = [this](qsizetype row) { return rows.value(row); };
        outlets.managedObjectContext = [this] { return context.get(); };
        outlets.pageIsEditing = [this] { return editing; };
        outlets.writeEditedCardBack = [this] { ++writeBacks; };
        outlets.shownRecipe = [this] { return shown; };
        outlets.setRulersVisible = [this](bool visible) { rulers.append(visible); };
        outlets.temporaryFolder = [this] { return scratch.path(); };
        delegate = std::make_unique<RecipeTableDelegate>(std::move(outlets));
    }

    void TearDown() override
    {
        delegate.reset();
        ModelStoreFixture::TearDown();
    }

    RecipeMO* recipe(const QString& name)
    {
        auto* made = static_cast<RecipeMO*>(insertNamed(QStringLiteral("Recipe"), name));
        rows.append(made);
        return made;
    }

    QStringList filesIn(const QString& folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir scratch;
    std::unique_ptr<RecipeTableDelegate> delegate;
    QList<ManagedObject*> rows;
    bool editing = false;
    int writeBacks = 0;
    ManagedObject* shown = nullptr;
    QList<bool> rulers;
};

TEST_F(RecipeTableDelegateTest, SafeFileNames)
{
    const struct {
        const char* name;
        const char* stem;
    } cases[] = {
        { "Apple Pie", "Apple Pie" },
        { "Soup/Stew", "Soup-Stew" },
        { "../../etc/passwd", "-..-etc-passwd" },
        { "..", "Untitled Recipe" },
        { "", "Untitled Recipe" },
        { ".hidden", "hidden" },
        { "  Crème brûlée  ", "Crème brûlée" },
        { "Tab\there", "Tab-here" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecipeTableDelegate::safeFileStem(QString::fromUtf8(c.name)), QString::fromUtf8(c.stem))
            << c.name;
    const QString long_(400, QChar(0x00e9)); // two bytes each in UTF-8
    EXPECT_LE(RecipeTableDelegate::safeFileStem(long_).toUtf8().size(), 200);
}

TEST_F(RecipeTableDelegateTest, PromisedFilesAreNumberedOnClashes)
{
    recipe(QStringLiteral("Pie"));
    recipe(QStringLiteral("Pie"));
    recipe(QStringLiteral("Soup/Stew"));
    recipe(QString());
    QTemporaryDir empty;
    EXPECT_EQ(delegate->namesOfPromisedFilesDroppedAtDestination(empty.path(), { 0, 1, 2, 3 }),
        QStringList({ "Pie.vrc", "Pie 1.vrc", "Soup-Stew.vrc", "Untitled Recipe.vrc" }));
    EXPECT_EQ(filesIn(empty.path()),
        QStringList({ "Pie 1.vrc", "Pie.vrc", "Soup-Stew.vrc", "Untitled Recipe.vrc" }));
    // Each file is the recipe's card as UTF-8.
    QFile card(QDir(empty.path()).filePath(QStringLiteral("Pie.vrc")));
    ASSERT_TRUE(card.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(card.readAll()).contains(QStringLiteral("Pie")));

    // A folder that already has "Pie 1.vrc": the second recipe takes the counter 2.
    QTemporaryDir taken;
    QFile existing(QDir(taken.path()).filePath(QStringLiteral("Pie 1.vrc")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    EXPECT_EQ(delegate->namesOfPromisedFilesDroppedAtDestination(taken.path(), { 0, 1 }),
        QStringList({ "Pie.vrc", "Pie 2.vrc" }));
}

TEST_F(RecipeTableDelegateTest, AFileThatCannotBeWrittenIsLeftOut)
{
    recipe(QStringLiteral("Pie"));
    EXPECT_TRUE(
        delegate->namesOfPromisedFilesDroppedAtDestination(scratch.filePath(QStringLiteral("missing")), { 0 })
            .isEmpty());
}

TEST_F(RecipeTableDelegateTest, ADragOffersURIsAndCardFilesInItsOwnFolder)
{
    ManagedObject* pie = recipe(QStringLiteral("Pie"));
    ManagedObject* soup = recipe(QStringLiteral("Soup"));
    std::unique_ptr<QMimeData> data = delegate->writeRowsWithIndexes({ 1, 0 });
    ASSERT_TRUE(data);
    EXPECT_EQ(RecipePasteboard::readRecipeURIs(*data),
        QList<QUrl>({ soup->objectID().URIRepresentation(), pie->objectID().URIRepresentation() }));
    const QString folder = delegate->currentDragFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(folder.startsWith(scratch.path()));
    ASSERT_EQ(data->urls().size(), 2);
    for (const QUrl& url : data->urls()) {
        EXPECT_TRUE(url.isLocalFile());
        EXPECT_EQ(QFileInfo(url.toLocalFile()).absolutePath(), QFileInfo(folder).absoluteFilePath());
        EXPECT_TRUE(QFile::exists(url.toLocalFile()));
    }
    EXPECT_TRUE(delegate->hasShadowDragPasteboard());
    EXPECT_FALSE(delegate->writeRowsWithIndexes({ 7 }));

    // The files stay a while after the drop for late copies, then go.
    delegate->didFinishDragOperation(RecipeTableDelegate::DragOperation::Copy);
    EXPECT_FALSE(delegate->hasShadowDragPasteboard());
    EXPECT_TRUE(QDir(folder).exists());
    clock.advance(RecipeTableDelegate::kDragFolderLifetime + 1);
    EXPECT_FALSE(QDir(folder).exists());
}

TEST_F(RecipeTableDelegateTest, FoldersGoWithTheDelegate)
{
    recipe(QStringLiteral("Pie"));
    ASSERT_TRUE(delegate->writeRowsWithIndexes({ 0 }));
    const QString folder = delegate->currentDragFolder();
    delegate.reset(); // quitting mid-drag
    EXPECT_FALSE(QDir(folder).exists());
}

TEST_F(RecipeTableDelegateTest, DeleteDragsDeleteCopyDragsDoNot)
{
    ManagedObject* pie = recipe(QStringLiteral("Pie"));
    ManagedObject* soup = recipe(QStringLiteral("Soup"));
    ASSERT_TRUE(delegate->writeRowsWithIndexes({ 0, 1 }));
    delegate->didFinishDragOperation(RecipeTableDelegate::DragOperation::Copy);
    EXPECT_FALSE(pie->isDeleted());
    EXPECT_FALSE(soup->isDeleted());
    ASSERT_TRUE(delegate->writeRowsWithIndexes({ 1 }));
    delegate->didFinishDragOperation(RecipeTableDelegate::DragOperation::Delete);
    EXPECT_FALSE(pie->isDeleted());
    EXPECT_TRUE(soup->isDeleted());
    // A second end of the same drag has nothing left to delete.
    delegate->didFinishDragOperation(RecipeTableDelegate::DragOperation::Delete);
    EXPECT_FALSE(pie->isDeleted());
}

TEST_F(RecipeTableDelegateTest, TheCardIsWrittenBackBeforeTheSelectionMoves)
{
    RecipeMO* pie = recipe(QStringLiteral("Pie"));
    recipe(QStringLiteral("Soup"));
    shown = pie;
    pie->setEditing(true);

    // Not editing: nothing to write.
    EXPECT_TRUE(delegate->shouldSelectRows({ 0 }, { 1 }));
    EXPECT_EQ(writeBacks, 0);

    editing = true;
    EXPECT_TRUE(delegate->shouldSelectRows({ 0 }, { 0 })); // the same row again
    EXPECT_EQ(writeBacks, 0);
    EXPECT_TRUE(delegate->shouldSelectRows({ 0 }, { 0, 1 }));
    EXPECT_EQ(writeBacks, 1);
    // The recipe stays editing while it is still the one being edited.
    clock.advance(1.1);
    EXPECT_TRUE(pie->valueForKey(QStringLiteral("editing")).toBool());

    EXPECT_TRUE(delegate->shouldSelectRows({ 0 }, { 1 }));
    EXPECT_EQ(writeBacks, 2);
    shown = rows[1];
    clock.advance(0.5);
    EXPECT_TRUE(pie->valueForKey(QStringLiteral("editing")).toBool());
    clock.advance(0.6);
    EXPECT_FALSE(pie->valueForKey(QStringLiteral("editing")).toBool());
}

TEST_F(RecipeTableDelegateTest, RulersFollowTheSelection)
{
    delegate->selectionDidChange(2);
    delegate->selectionDidChange(1); // not editing: left alone
    delegate->selectionDidChange(0);
    editing = true;
    delegate->selectionDidChange(1);
    EXPECT_EQ(rulers, QList<bool>({ false, true }));
}

} // namespace
