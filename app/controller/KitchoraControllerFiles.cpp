// Opening files handed to the program, exporting recipes, and the menu actions around them.

#include "BaseMOAdditions.h"
#include "IsEmpty.h"
#include "KitchoraController.h"
#include "Log.h"
#include "MainWindowAccess.h"
#include "ManagedObjectContext.h"
#include "NotificationCenter.h"
#include "PersistentStoreCoordinator.h"
#include "PropertyList.h"
#include "RTFWriter.h"
#include "RecipeCardDocument.h"
#include "RecipeCollection.h"
#include "RecipeMO.h"
#include "RunLoop.h"
#include "UserDefaults.h"
#include "VRCManagedObjectReader.h"
#include "VRCManagedObjectWriter.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPdfWriter>
#include <QPointer>
#include <QSaveFile>
#include <QStringEncoder>
#include <QTextDocument>
#include <QUrl>

namespace
{

const QString kVRCExtension = QStringLiteral("vrc");
const QString kMetadataExtension = QStringLiteral("recipemetadata");
const QString kDatabaseExtension = QStringLiteral("mgdatabase");

Error fileError(const QString& message)
{
    return { QStringLiteral("KitchoraController"), 1, message, {} };
}

} // namespace

QStringList KitchoraController::supportedFileExtensions()
{
    return { kVRCExtension, kMetadataExtension, kDatabaseExtension };
}

void KitchoraController::openFiles(const QStringList& paths)
{
    ManagedObjectContext* context = managedObjectContext();
    ManagedObject* recipeToShow = nullptr;
    bool lookupFailed = false;
    for (const QString& path : paths) {
        const QString extension = QFileInfo(path).suffix().toLower();
        const QString fileName = QFileInfo(path).fileName();
        if (extension == kVRCExtension) {
            VRCManagedObjectReader reader;
            if (!context || !reader.initWithContentsOfFile(path)) {
                Log::logf(QStringLiteral("KitchoraController: -openFiles: unable to read %1"), path);
                presentError(fileError(tr("The file “%1” could not be read.").arg(fileName)));
                continue;
            }
            const QList<RecipeMO*> recipes = reader.setOfManagedObjectsInContext(context);
            if (recipes.isEmpty()) {
                presentError(fileError(tr("“%1” holds no complete recipe card.").arg(fileName)));
                continue;
            }
            ManagedObject* library = libraryCollection();
            ManagedObject* imports = importedCollection();
            const qint64 saved = UserDefaults::standardUserDefaults().integerForKey(KRSavedImportsCount);
            // More new recipes than Recent Imports keeps: it holds only these afterwards.
            if (imports && recipes.size() > saved)
                imports->mutableSetValueForKey(QStringLiteral("recipes")).removeAllObjects();
            for (RecipeMO* recipe : recipes) {
                MutableObjectSet collections = recipe->mutableSetValueForKey(QStringLiteral("collections"));
                if (library)
                    collections.addObject(library);
                if (imports)
                    collections.addObject(imports);
            }
            if (auto* recent = dynamic_cast<RecipeCollection*>(imports))
                recent->trimImportCollection();
        } else if (extension == kMetadataExtension) {
            ManagedObject* recipe = nullptr;
            const QVariantMap metadata
                = PropertyList::dictionaryWithContentsOfFile(path).value_or(QVariantMap());
            if (!isEmpty(metadata) && context && context->persistentStoreCoordinator()) {
                // Only a recipe of this library: a deleted, foreign or malformed address finds none.
                const QUrl uri(
                    metadata.value(QStringLiteral("coreDataObjectID")).toString(), QUrl::StrictMode);
                const ManagedObjectID id
                    = context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(uri);
                ManagedObject* object = id.isNull() ? nullptr : context->existingObjectWithID(id);
                if (dynamic_cast<RecipeMO*>(object) && !object->isDeleted())
                    recipe = object;
            }
            lookupFailed = !recipe;
            if (recipe)
                recipeToShow = recipe;
        } else if (extension == kDatabaseExtension) {
            if (!m_databaseImport->isAvailable()) {
                m_presenter.runAlert(
                    tr("Importing a MacGourmet database is not available in this version of Kitchora."),
                    { tr("OK") });
                continue;
            }
            m_databaseImport->importMGDatabaseAtPath(path);
        }
    }

    NotificationCenter::defaultCenter().postNotificationName(KRCollectionContentChangedNotification);

    if (lookupFailed) {
        m_presenter.runAlert(tr("Unable to find original recipe, it may have been deleted."), { tr("OK") });
        return;
    }
    if (!recipeToShow)
        return;
    QPointer<KitchoraController> self(this);
    const ManagedObjectID shownID = recipeToShow->objectID();
    RunLoop::postToMain([self, shownID] {
        if (!self || !self->m_context)
            return;
        // The recipe may have gone in the meantime.
        ManagedObject* recipe = self->m_context->objectRegisteredForID(shownID);
        if (!recipe || recipe->isDeleted())
            return;
        if (self->m_window)
            self->m_window->selectRecipe(recipe);
    });
}

ManagedObject* KitchoraController::currentRecipe()
{
    if (ManagedObject* recipe = m_recipeController->currentRecipe())
        return recipe;
    const QList<ManagedObject*> selected = selectedRecipes();
    return selected.size() == 1 ? selected.first() : nullptr;
}

QList<ManagedObject*> KitchoraController::selectedRecipes()
{
    return m_window ? m_window->selectedRecipes() : QList<ManagedObject*>();
}

// --- menu actions ---

void KitchoraController::saveAction()
{
    ManagedObjectContext* context = managedObjectContext();
    Error error;
    if (context && !context->save(&error)) {
        Log::logf(QStringLiteral("Error while saving: %1"), error.localizedDescription);
        presentError(error);
    }
}

void KitchoraController::openAction()
{
    Presenter::OpenPanel panel;
    panel.title = tr("Choose Files");
    panel.message = tr("Choose files to import.");
    panel.fileTypes = { kVRCExtension };
    panel.multipleSelection = true;
    const QStringList paths = m_presenter.runOpenPanel(panel);
    if (!paths.isEmpty())
        openFiles(paths);
    Error error;
    ManagedObjectContext* context = managedObjectContext();
    if (context && !context->save(&error))
        Log::logf(
            QStringLiteral("KitchoraController: -openAction: save error (%1)"), error.localizedDescription);
    NotificationCenter::defaultCenter().postNotificationName(KRCollectionContentChangedNotification);
}

void KitchoraController::openImportWindow()
{
    if (m_importWindow)
        m_importWindow->openImportWindow();
}

void KitchoraController::importMacGourmetAction()
{
    Log::log(QStringLiteral("Starting MacGourmet import: find file"));
    Presenter::OpenPanel panel;
    panel.title = tr("Find MacGourmet Database");
    panel.message = tr("Select your MacGourmet database file.");
    panel.fileTypes = { kDatabaseExtension };
    const QStringList paths = m_presenter.runOpenPanel(panel);
    if (!paths.isEmpty())
        openFiles(paths);
}

void KitchoraController::openImage()
{
    Presenter::OpenPanel panel;
    panel.title = tr("Choose Image");
    panel.message = tr("Choose an image to add to this recipe.");
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        panel.fileTypes.append(QString::fromLatin1(format));
    const QStringList paths = m_presenter.runOpenPanel(panel);
    if (paths.isEmpty())
        return;
    const QImage image(paths.first());
    if (image.isNull()) {
        // A file that is no picture would remove the recipe's picture: keep it and say why.
        presentError(fileError(tr("The file “%1” is not a picture Kitchora can read.")
                                   .arg(QFileInfo(paths.first()).fileName())));
        return;
    }
    if (m_recipeController->currentRecipe())
        m_recipeController->setImage(image);
    else
        RecipeControllerService::setImageOfRecipe(currentRecipe(), image);
}

void KitchoraController::addIngredient()
{
    const QString name = m_presenter
                             .runAddIngredientSheet(
                                 [](const QString& partial) { return completionForPartialString(partial); })
                             .value_or(QString());
    ManagedObjectContext* context = managedObjectContext();
    if (isEmpty(name) || !context)
        return;
    BaseMOAdditions::findOrCreateManagedObjectForName(name, QStringLiteral("Ingredient"), context);
}

// --- sharing with the web recipe service ---

void KitchoraController::addToOnline(ManagedObject* recipe)
{
    if (!recipe)
        recipe = currentRecipe();
    if (recipe && recipe->valueForKey(QStringLiteral("share")).toBool())
        addToOnlineQuietly(recipe, false);
}

void KitchoraController::addToOnlineQuietly(ManagedObject* recipe, bool quietly)
{
    if (!recipe)
        return;
    if (!quietly && isEmpty(UserDefaults::standardUserDefaults().stringForKey(KROnlineUsername))) {
        // The placeholder name: the user names themselves first; nothing goes up now.
        if (m_beginFirstSubmitUsernameSheet)
            m_beginFirstSubmitUsernameSheet(recipe);
        else
            m_presenter.runAlert(
                tr("Choose your online user name in Preferences before sharing recipes."), { tr("OK") });
        return;
    }
    const QVariantMap plist = m_webRecipeService->plistFromRecipeMO(recipe);
    if (!plist.isEmpty())
        m_webRecipeService->uploadRecipePlist(plist, true);
}

void KitchoraController::addImageToOnline()
{
    ManagedObject* recipe = currentRecipe();
    if (!recipe || !recipe->valueForKey(QStringLiteral("hasImage")).toBool())
        return;
    const QVariant onlineID = recipe->valueForKey(QStringLiteral("onlineID"));
    if (onlineID.toLongLong() == 0)
        return;
    const QByteArray data = recipe->valueForKeyPath(QStringLiteral("image.data")).toByteArray();
    m_webRecipeService->uploadImageData(data, WebRecipeService::JPEG2000Image, onlineID);
}

// --- export ---

QString KitchoraController::extensionForExportFormat(int format)
{
    switch (format) {
    case VRCExportFormat:
        return kVRCExtension;
    case PDFExportFormat:
        return QStringLiteral("pdf");
    case RTFExportFormat:
        return QStringLiteral("rtf");
    case TXTExportFormat:
        return QStringLiteral("txt");
    default:
        return QString();
    }
}

void KitchoraController::selectExportType(const Presenter::ExportTypeSender* sender)
{
    if (!sender) {
        Log::log(QStringLiteral("selectExportType: nil sender not accepted.\n"));
        return;
    }
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    qint64 format = defaults.integerForKey(exportFormat);
    switch (sender->kind) {
    case Presenter::ExportTypeSender::Kind::PopUp:
    case Presenter::ExportTypeSender::Kind::MenuItem:
        // The pop-up keeps its choice in the defaults: the export reads it from there.
        format = sender->tag;
        defaults.setInteger(format, exportFormat);
        break;
    case Presenter::ExportTypeSender::Kind::SavePanel:
    case Presenter::ExportTypeSender::Kind::Other:
        break;
    }
    const QString extension = extensionForExportFormat(int(format));
    if (!extension.isEmpty() && sender->setRequiredFileType)
        sender->setRequiredFileType(extension);
}

AttributedString KitchoraController::recipePageText()
{
    return RecipeCardDocument::cardOf(currentRecipe());
}

QByteArray KitchoraController::exportData(int format)
{
    ManagedObject* current = currentRecipe();
    const auto utf16 = [](const QString& text) {
        QStringEncoder encoder(QStringConverter::Utf16, QStringConverter::Flag::WriteBom);
        return QByteArray(encoder.encode(text));
    };
    switch (format) {
    case VRCExportFormat: {
        VRCManagedObjectWriter writer;
        if (current)
            return utf16(writer.stringFromRecipeManagedObject(current));
        const QList<ManagedObject*> selected = selectedRecipes();
        return selected.isEmpty() ? QByteArray()
                                  : utf16(writer.stringsFromRecipeManagedObjects(selected).join(u'\n'));
    }
    case RTFExportFormat: {
        if (current)
            return RTFWriter::RTFFromAttributedString(recipePageText());
        const QList<ManagedObject*> selected = selectedRecipes();
        if (selected.isEmpty())
            return QByteArray();
        MutableAttributedString cards;
        for (ManagedObject* recipe : selected) {
            if (cards.length() > 0)
                cards.appendAttributedString(AttributedString(QStringLiteral("\n")));
            cards.appendAttributedString(RecipeCardDocument::cardOf(recipe));
        }
        return RTFWriter::RTFFromAttributedString(cards);
    }
    case TXTExportFormat: {
        const QString text = recipePageText().string();
        return text.isEmpty() ? QByteArray() : utf16(text);
    }
    default:
        return QByteArray();
    }
}

void KitchoraController::exportAction()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    Presenter::ExportPanel panel;
    panel.title = tr("Export");
    panel.prompt = tr("Export");
    ManagedObject* current = currentRecipe();
    // A name is one path component: "/" would name a folder.
    panel.suggestedName = current
        ? current->valueForKey(QStringLiteral("name")).toString().replace(u'/', u'-')
        : tr("Exported Recipes");
    panel.formats = { { tr("Virtual Recipe Card"), VRCExportFormat }, { tr("PDF"), PDFExportFormat },
        { tr("Rich Text (RTF)"), RTFExportFormat }, { tr("Plain Text"), TXTExportFormat } };
    // Until the user picks a format the pop-up shows its first one, and that is what they export.
    if (extensionForExportFormat(int(defaults.integerForKey(exportFormat))).isEmpty())
        defaults.setInteger(VRCExportFormat, exportFormat);
    panel.selectedFormat = int(defaults.integerForKey(exportFormat));
    QPointer<KitchoraController> self(this);
    panel.selectExportType = [self](const Presenter::ExportTypeSender* sender) {
        if (self)
            self->selectExportType(sender);
    };
    const QString path = m_presenter.runExportPanel(panel);
    const int format = int(defaults.integerForKey(exportFormat));
    if (path.isEmpty() || extensionForExportFormat(format).isEmpty())
        return;
    if (format == PDFExportFormat) {
        exportToPDF(path);
        return;
    }
    const QByteArray data = exportData(format);
    if (data.isEmpty())
        return;
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
    if (!written) {
        Log::logf(
            QStringLiteral("Export: unable to export file to path: %1 with attributes: %2 and type: %3\n"),
            path, QStringLiteral("0644"), format);
        presentError(
            fileError(tr("The recipes could not be exported to “%1”: %2").arg(path, file.errorString())));
        return;
    }
    // Exported text is a document, never a program.
    QFile::setPermissions(path,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

bool KitchoraController::exportToPDF(const QString& path)
{
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        QTextDocument document;
        RecipeCardDocument::fill(&document, recipePageText());
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        // The shared print settings' margins, with the top one at 40 points.
        writer.setPageMargins(QMarginsF(72, 40, 72, 90), QPageLayout::Point);
        writer.setTitle(
            currentRecipe() ? currentRecipe()->valueForKey(QStringLiteral("name")).toString() : QString());
        document.print(&writer);
    }
    written = written && file.commit();
    if (!written) {
        Log::logf(QStringLiteral("Export to PDF: unable to export PDF to: %1\n"), path);
        presentError(
            fileError(tr("The recipe could not be exported to “%1”: %2").arg(path, file.errorString())));
        return false;
    }
    QFile::setPermissions(path,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    return true;
}
