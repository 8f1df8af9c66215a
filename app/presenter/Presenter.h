#pragma once

#include "Error.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QPrinter;

// The modal alerts, sheets and panels the application controller shows. One implementation
// shows Qt dialogs; tests replace it with one that records and answers from a script.
// Main thread only; every call returns once the user has answered.
class Presenter
{
public:
    // The choice of the first-run setup sheet.
    enum class LibraryChoice { Empty, Sample };

    virtual ~Presenter() = default;

    // Shows the error to the user.
    virtual void presentError(const Error& error) = 0;
    // An alert with `message` and one button per entry of `buttons` (the first is the default);
    // answers the index of the button chosen.
    virtual int runAlert(const QString& message, const QStringList& buttons) = 0;
    // The first-run sheet: start with the sample library or with an empty one.
    virtual LibraryChoice chooseStartingLibrary() = 0;
    // The print panel for `printer`: whether the user chose to print, with `printer` set up as
    // the user left it.
    virtual bool runPrintPanel(QPrinter& printer) = 0;

    // An open panel: files with one of `fileTypes` as extension (any case; none: any file).
    struct OpenPanel {
        QString title;
        QString message;
        QStringList fileTypes;
        bool multipleSelection = false;
    };
    // The chosen files' paths; empty when the user cancelled.
    virtual QStringList runOpenPanel(const OpenPanel& panel) = 0;

    // Who tells the export panel's owner which format to write: the panel's format pop-up (its
    // selected item's tag), a menu item (its tag) or the panel itself as it opens.
    struct ExportTypeSender {
        enum class Kind { PopUp, MenuItem, SavePanel, Other };
        Kind kind = Kind::Other;
        int tag = 0;
        // Sets the file extension the save panel requires.
        std::function<void(const QString& extension)> setRequiredFileType;
    };
    // A save panel with a pop-up of export formats (title, tag); `selectExportType` is sent with the
    // panel as it opens and with the pop-up whenever its choice changes.
    struct ExportPanel {
        QString title;
        QString prompt;
        QString suggestedName;
        QList<std::pair<QString, int>> formats;
        int selectedFormat = 0;
        std::function<void(const ExportTypeSender*)> selectExportType;
    };
    // The chosen path, ending in the required extension; empty when the user cancelled.
    virtual QString runExportPanel(const ExportPanel& panel) = 0;

    // --- Preferences window ---
    // What a user-name sheet ended with: the button's return code and the field's text.
    struct UsernameSheetAnswer {
        int returnCode = 0;
        QString name;
    };
    // Return codes of the user-name sheets.
    static constexpr int kSheetCancel = 0;
    static constexpr int kSheetSave = 1; // the first-submit sheet: create the name and share
    static constexpr int kSheetNeverShare = 2; // the first-submit sheet only
    static constexpr int kSheetLostUsername = 3;
    // The edit-user-name sheet, its field showing `name`.
    virtual UsernameSheetAnswer runEditUsernameSheet(const QString& name) = 0;
    // The sheet that asks for a user name before a recipe is first shared.
    virtual UsernameSheetAnswer runFirstSubmitUsernameSheet() = 0;
    // The add-ingredient sheet: the name typed, nothing when cancelled. Its field completes
    // through `complete`.
    virtual std::optional<QString> runAddIngredientSheet(
        const std::function<std::optional<QString>(const QString&)>& complete)
        = 0;
    // A refused action.
    virtual void beep() = 0;

    // --- Move to the Applications folder ---
    // An alert with a title, an informative text, buttons (the first is the default) and a "Do not
    // ask again" checkbox, whose state is left in `suppress`; answers the index of the button.
    virtual int runSuppressibleAlert(
        const QString& title, const QString& informative, const QStringList& buttons, bool* suppress)
        = 0;
};
