#include "ImporterTestFiles.h"
#include "ModelStoreFixture.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace
{

using ImporterTestFiles::writeFile;

struct ToolRun {
    int exitCode = -1;
    QList<QJsonObject> lines;
    QByteArray output;
};

ToolRun runTool(const QStringList& arguments, const QString& program = QStringLiteral(KITCHORA_MDIMPORT),
    const QString& workingDirectory = QString())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    ToolRun run;
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << process.readAllStandardError().toStdString();
    run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput();
    for (const QByteArray& line : run.output.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        EXPECT_TRUE(document.isObject()) << error.errorString().toStdString() << ": " << line.toStdString();
        run.lines.append(document.object());
    }
    return run;
}

QJsonObject localizable(const QString& text)
{
    return { { QString(), text } };
}

// The host tool as the indexer would run it, over files the program writes.
class HostToolTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        ASSERT_TRUE(files.isValid());
    }

    QString path(const QString& name) const { return files.filePath(name); }

    QString cards() const
    {
        return writeFile(path("three.vrc"),
            "BEGIN:VRECIPECARD\nNAME:A\nKITCHEN:Home\nCUISINE:Thai\nEND:VRECIPECARD\n"
            "BEGIN:VRECIPECARD\nNAME:B\nCATEGORY:Soups\nEND:VRECIPECARD\n"
            "BEGIN:VRECIPECARD\nNAME:C\nEND:VRECIPECARD\n");
    }

    QTemporaryDir files;
};

TEST_F(HostToolTest, PrintsOneObjectPerFileByItsExtension)
{
    ManagedObject* recipe = insertNamed("Recipe", "Tea");
    recipe->setPrimitiveValue(5.0, "rating");
    recipe->setPrimitiveValue(QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC), "dateAdded");
    ASSERT_TRUE(save());
    const QString metadata = ImporterTestFiles::writeProgramMetaData(files.path(), recipe);
    const QString store = ModelStoreFixture::path;
    const QString identifier = ModelStoreFixture::store->identifier();
    closeStack();

    const ToolRun run = runTool({ metadata, cards(), store });
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    ASSERT_EQ(run.lines.size(), 3);

    const QJsonObject expectedMetadata {
        { "kMDItemTitle", "Tea" },
        { "kMDItemDisplayName", localizable("Tea") },
        { "kMDItemStarRating", 5.0 },
        { "kMDItemContentCreationDate", "2024-01-02T03:04:05.000Z" },
        { "kMDItemKind", localizable("Kitchora Recipe") },
    };
    EXPECT_EQ(run.lines[0],
        (QJsonObject { { "file", metadata }, { "contentType", "com.quillmoor.recipemetadata" },
            { "imported", true }, { "attributes", expectedMetadata } }));

    const QJsonObject expectedCards {
        { "kMDItemTitle", "3 Virtual Recipe Cards" },
        { "kMDItemAuthors", QJsonArray { "Home", QJsonValue::Null, QJsonValue::Null } },
        { "com_quillmoor_Kitchora_cuisines", QJsonArray { "Thai", QJsonValue::Null, QJsonValue::Null } },
        { "com_quillmoor_Kitchora_categories", QJsonArray { QJsonValue::Null, "Soups", QJsonValue::Null } },
        { "kMDItemKind", localizable("Virtual Recipe Cards") },
    };
    EXPECT_EQ(run.lines[1].value("contentType"), "com.quillmoor.virtual-recipe-card");
    EXPECT_EQ(run.lines[1].value("attributes").toObject(), expectedCards);

    EXPECT_EQ(run.lines[2].value("contentType"), "com.quillmoor.recipedatabase");
    EXPECT_TRUE(run.lines[2].value("imported").toBool());
    EXPECT_EQ(run.lines[2].value("attributes").toObject().value("NSStoreUUID"), identifier);
}

TEST_F(HostToolTest, TypeOptionNamesTheContentTypeOfEveryFile)
{
    const QString text = writeFile(path("card.txt"), "BEGIN:VRECIPECARD\nEND:VRECIPECARD\n");
    const ToolRun run = runTool({ "--type", "com.quillmoor.virtual-recipe-card", text, cards() });
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.lines.size(), 2);
    EXPECT_EQ(run.lines[0].value("attributes").toObject().value("kMDItemTitle"), "Virtual Recipe Card");
    EXPECT_EQ(run.lines[1].value("attributes").toObject().value("kMDItemTitle"), "3 Virtual Recipe Cards");

    // The given type wins over the extension.
    const ToolRun asStore = runTool({ "--type", "com.quillmoor.recipedatabase", cards() });
    EXPECT_EQ(asStore.exitCode, 1);
    ASSERT_EQ(asStore.lines.size(), 1);
    EXPECT_FALSE(asStore.lines[0].value("imported").toBool());
}

TEST_F(HostToolTest, FileThatGivesNoAttributesMakesTheExitCodeOne)
{
    const QString rated
        = ImporterTestFiles::writeMetaData(path("rated.recipemetadata"), { { "starRating", 4 } });
    const QString other = writeFile(path("notes.txt"), "BEGIN:VRECIPECARD\nNAME:A\nEND:VRECIPECARD\n");
    const ToolRun run = runTool({ cards(), rated, other, path("missing.vrc") });
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.lines.size(), 4);
    EXPECT_TRUE(run.lines[0].value("imported").toBool());
    // What the importer left in the dictionary is shown, though it answered false.
    EXPECT_EQ(run.lines[1],
        (QJsonObject { { "file", rated }, { "contentType", "com.quillmoor.recipemetadata" },
            { "imported", false }, { "attributes", QJsonObject { { "kMDItemStarRating", 4 } } } }));
    EXPECT_EQ(run.lines[2],
        (QJsonObject { { "file", other }, { "contentType", "" }, { "imported", false },
            { "attributes", QJsonObject() } }));
    EXPECT_FALSE(run.lines[3].value("imported").toBool());
}

TEST_F(HostToolTest, UsageErrorsExitWithTwoAndPrintNothing)
{
    const QString card = cards();
    const QList<QStringList> usages {
        {},
        { "--type" },
        { "--type", "com.quillmoor.virtual-recipe-card" },
        { "--verbose", card },
        { "-t", "x", card },
        { "--type", "", card },
    };
    for (const QStringList& arguments : usages) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.output.isEmpty()) << run.output.toStdString();
    }
    // "--" ends the options, so a file may begin with "-".
    writeFile(path("-dashed.vrc"), "BEGIN:VRECIPECARD\nEND:VRECIPECARD\n");
    const ToolRun run = runTool({ "--", "-dashed.vrc" }, QStringLiteral(KITCHORA_MDIMPORT), files.path());
    EXPECT_EQ(run.exitCode, 0);
}

TEST_F(HostToolTest, PlugInThatCannotBeLoadedExitsWithTwo)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString copy = elsewhere.filePath("kitchora-mdimport");
    ASSERT_TRUE(QFile::copy(KITCHORA_MDIMPORT, copy));
    const ToolRun missing = runTool({ cards() }, copy);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_TRUE(missing.output.isEmpty());

    writeFile(elsewhere.filePath("kitchora-importer.so"), "not a shared library");
    const ToolRun damaged = runTool({ cards() }, copy);
    EXPECT_EQ(damaged.exitCode, 2);
    EXPECT_TRUE(damaged.output.isEmpty());
}

} // namespace
