#pragma once

#include "AttributedString.h"
#include "DocumentReader.h"
#include "Error.h"
#include "RecipeImportView.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>
#include <functional>

class CueTextView;
class ManagedObject;
class ManagedObjectContext;
class ProgressOverlayView;
class QMimeData;
class QPushButton;
class QCheckBox;
class QWidget;
class RecipeMO;

// Runs the import window: the user pastes, drops or opens the text of a recipe (plain, RTF, HTML,
// PDF), marks its parts with import areas and presses Import to make a new recipe of the library.
// Picks up recipe-like clipboard text by itself, places areas for the ingredients and the
// directions with the parsing engine, collects the text under each area by its label and hands
// it to TaggedTextBlockImporter, saves, and shows the new recipe. An import that fails part-way
// takes its half-built recipe away again and tells the user. Main thread only.
class ImportController : public QObject, public RecipeImportViewDelegate
{
    Q_OBJECT
    Q_PROPERTY(bool canImport READ canImport WRITE setCanImport NOTIFY canImportChanged)

public:
    // What the window reaches outside itself; each empty one does nothing (or the default said).
    struct Outlets {
        // The recipe page shows the recipe, and is switched to editing when it is not yet.
        std::function<void(ManagedObject* recipe)> showRecipe;
        std::function<bool()> recipePageEditable;
        std::function<void()> editRecipe;
        // The application controller opens the program's own files.
        std::function<void(const QStringList& paths)> openFiles;
        std::function<QStringList()> supportedFileExtensions;
        // The open panel over the window; empty: a file dialog. Answers the chosen path or "".
        std::function<QString(QWidget* window)> chooseFile;
        // The general clipboard; empty: the application's.
        std::function<const QMimeData*()> generalPasteboard;
        // Saves the main context; empty: ManagedObjectContext::save.
        std::function<bool(ManagedObjectContext& context, Error* error)> saveContext;
        // Builds the recipe from the collected blocks; empty: TaggedTextBlockImporter.
        std::function<RecipeMO*(const QVariantMap& blocks)> recipeFromTaggedTextBlocks;
    };

    // The user default that makes the import log what it collects.
    static QString debugModeKey() { return QStringLiteral("KRDebugMode"); }
    // Shortest ingredients and directions blocks that get an area by themselves.
    static constexpr qsizetype kMinimumIngredientsBlockLength = 40;
    static constexpr qsizetype kMinimumDirectionsBlockLength = 26;
    // The clipboard is picked up only from this many lines on.
    static constexpr qsizetype kMinimumPickUpLines = 10;
    static constexpr int kMaximumSaveRepairs = 100;

    explicit ImportController(Outlets outlets = {}, QObject* parent = nullptr);
    ~ImportController() override;

    QWidget* importWindow() const { return m_importWindow; }
    RecipeImportView* importView() const { return m_importView; }
    CueTextView* cueText() const { return m_cueText; }
    QPushButton* importButton() const { return m_importButton; }

    bool canImport() const { return m_canImport; }
    void setCanImport(bool canImport);

    // MIME types read from the clipboard, in order of preference.
    static QStringList supportedPasteboardTypes();
    // The first of them that the clipboard holds; empty when none.
    static QString availableType(const QMimeData* pasteboard);

    // Actions.
    void import();
    void paste();
    void openFile();
    void snap(bool snapToText);

    // Reads the clipboard into the view. With overwrite, replaces text and areas and places new
    // areas; without, does nothing while the view has areas and loads only recipe-like text.
    bool readPasteboardData(const QMimeData* pasteboard, bool overwriteExistingData) override;
    // Replace the view's text; unreadable data is reported to the user and leaves the view empty.
    bool readData(const QByteArray& data, DocumentReader::Kind kind);
    bool readDataForFilename(const QString& path);
    void readString(const QString& string);
    void readString(const AttributedString& string);
    void findAreas();

    // Whether clipboard text is taken by the automatic pick-up: an ingredients block and at least
    // two known ingredients.
    static bool isRecipeText(const QString& text);

    // Collecting the text under the areas.
    void addDataFromCurrentArea(ImportArea* area, QVariantMap& dictionary) const;
    static void addString(const QString& string, ImportArea* area, QVariantMap& dictionary);

    // The failure path: logs, takes the half-built recipe away, saves what validation allows and
    // tells the user.
    void handleException(const QString& what, RecipeMO* recipe);
    void updateRecipeControllerWithRecipe(RecipeMO* recipe);
    // Saves, deleting objects that miss a mandatory property and trying again; false when the
    // context still cannot be saved (the last error in `error`).
    static bool saveRepairingContext(ManagedObjectContext& context,
        const std::function<bool(ManagedObjectContext&, Error*)>& save, Error* error);

    // The automatic pick-up: when the window becomes key, and when the application becomes
    // active while the window is visible.
    void windowDidBecomeKey();
    void didBecomeActive();
    void windowWillClose();

    // The overlay shown over the text while an import runs (exists only then).
    ProgressOverlayView* overlayWindow() const { return m_overlay; }

    // RecipeImportViewDelegate
    void didAddArea(ImportArea* area) override;
    void didRemoveArea(ImportArea* area) override;
    void definedArea(ImportArea* area) override;
    void importViewDidReceiveReturnCharacter(RecipeImportView* view) override;

signals:
    void canImportChanged(bool canImport);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void pickUp(bool windowBecameKey);
    void loadText(const AttributedString& text);
    void clearText();
    bool hasDefinedArea() const;
    qsizetype loadedLineCount() const;
    void showProgressOverlayOverWindow();
    void removeProgressOverlay();
    void presentError(const QString& message) const;
    const QMimeData* generalPasteboard() const;
    bool save(ManagedObjectContext& context, Error* error) const;

    Outlets m_outlets;
    QPointer<QWidget> m_importWindow;
    RecipeImportView* m_importView = nullptr;
    CueTextView* m_cueText = nullptr;
    QPushButton* m_importButton = nullptr;
    QCheckBox* m_snapBox = nullptr;
    ProgressOverlayView* m_overlay = nullptr;
    bool m_canImport = false;
};
