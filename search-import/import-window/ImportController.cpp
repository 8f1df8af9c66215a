#include "ImportController.h"

#include "BLStringUtilities.h"
#include "BaseMO.h"
#include "ConstantManager.h"
#include "CoreDataErrors.h"
#include "CueTextView.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ParsingEngine.h"
#include "ProgressOverlayView.h"
#include "RecipeMO.h"
#include "TaggedTextBlockImporter.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>
#include <exception>

namespace
{

const QString rtfType = QStringLiteral("text/rtf");
const QString applicationRtfType = QStringLiteral("application/rtf");
const QString htmlType = QStringLiteral("text/html");
const QString plainType = QStringLiteral("text/plain");
// Before and after the loaded text, so the first and last lines can take areas.
const QString leadingLines = QStringLiteral("\n\n\n");
const QString trailingLines = QStringLiteral("\n\n");

DocumentReader::Kind kindForType(const QString& type)
{
    if (type == rtfType || type == applicationRtfType)
        return DocumentReader::Kind::RTF;
    if (type == htmlType)
        return DocumentReader::Kind::HTML;
    return DocumentReader::Kind::PlainText;
}

bool debugMode()
{
    return UserDefaults::standardUserDefaults().boolForKey(ImportController::debugModeKey());
}

QString describe(const Error& error)
{
    return QStringLiteral("%1 %2: %3").arg(error.domain).arg(error.code).arg(error.localizedDescription);
}

ManagedObject* validationObject(const QVariantMap& userInfo)
{
    return userInfo.value(CoreDataErrors::validationObjectKey).value<ManagedObject*>();
}

bool isWhitespaceOrLineEnd(QChar c)
{
    return c.isSpace() || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

QSet<ManagedObject*> insertedRecipes(ManagedObjectContext* context)
{
    QSet<ManagedObject*> recipes;
    if (!context)
        return recipes;
    for (ManagedObject* object : context->insertedObjects()) {
        if (dynamic_cast<RecipeMO*>(object))
            recipes.insert(object);
    }
    return recipes;
}

void deleteRecipe(RecipeMO* recipe)
{
    if (!recipe || recipe->isDeleted())
        return;
    // Its items go with it: they belong to no other recipe.
    for (const QString& key :
        { QStringLiteral("ingredients"), QStringLiteral("directions"), QStringLiteral("notes") }) {
        for (ManagedObject* item : recipe->objectsForKey(key)) {
            if (auto* base = dynamic_cast<BaseMO*>(item))
                base->deleteFromManagedObjectContext();
            else if (item->managedObjectContext())
                item->managedObjectContext()->deleteObject(item);
        }
    }
    ManagedObjectContext* context = recipe->managedObjectContext();
    recipe->deleteFromManagedObjectContext();
    // Out of its collections now, not at the next save.
    if (context)
        context->processPendingChanges();
}

} // namespace

ImportController::ImportController(Outlets outlets, QObject* parent)
    : QObject(parent)
    , m_outlets(std::move(outlets))
{
    buildWindow();
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            didBecomeActive();
    });
}

ImportController::~ImportController()
{
    delete m_importWindow;
}

void ImportController::buildWindow()
{
    auto* window = new QWidget(nullptr, Qt::Window);
    m_importWindow = window;
    window->setWindowTitle(tr("Import"));
    window->resize(640, 560);
    window->setMinimumSize(420, 320);
    // A light gradient behind the text, from the toolbar grey down to the selection grey.
    QPalette palette = window->palette();
    QLinearGradient gradient(0, 0, 0, 560);
    gradient.setColorAt(0, QColor(236, 236, 236));
    gradient.setColorAt(1, QColor(212, 212, 212));
    palette.setBrush(QPalette::Window, gradient);
    window->setPalette(palette);
    window->setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(12, 12, 12, 12);
    m_importView = new RecipeImportView;
    m_importView->setImportDelegate(this);
    m_importView->setSnapToText(true);
    QPalette textPalette = m_importView->palette();
    textPalette.setColor(QPalette::Base, QColor(255, 255, 255, 235));
    m_importView->setPalette(textPalette);
    layout->addWidget(m_importView, 1);

    auto* buttons = new QHBoxLayout;
    auto* open = new QPushButton(tr("Open…"));
    connect(open, &QPushButton::clicked, this, [this] { openFile(); });
    buttons->addWidget(open);
    m_snapBox = new QCheckBox(tr("Snap to text"));
    m_snapBox->setChecked(true);
    connect(m_snapBox, &QCheckBox::toggled, this, [this](bool on) { snap(on); });
    buttons->addWidget(m_snapBox);
    buttons->addStretch(1);
    m_importButton = new QPushButton(tr("Import"));
    m_importButton->setDefault(true);
    connect(m_importButton, &QPushButton::clicked, this, [this] { import(); });
    buttons->addWidget(m_importButton);
    layout->addLayout(buttons);
    setCanImport(false);

    // The hint hangs from the top of the text, above everything in it.
    m_cueText = new CueTextView(m_importView);
    m_cueText->resize(std::max(m_importView->width() - 80, 200), 50);
    m_cueText->setString(tr("Drag to select a section of text to import, then select its type."));
    m_cueText->setPinningSide(1);
    m_cueText->raise();
    m_cueText->hide();

    window->installEventFilter(this);
    m_importView->installEventFilter(this);
}

bool ImportController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_importWindow) {
        if (event->type() == QEvent::WindowActivate)
            windowDidBecomeKey();
        else if (event->type() == QEvent::Close)
            windowWillClose();
    } else if (watched == m_importView && event->type() == QEvent::Resize && m_cueText) {
        m_cueText->resize(std::max(m_importView->width() - 80, 200), m_cueText->height());
    }
    return QObject::eventFilter(watched, event);
}

void ImportController::setCanImport(bool canImport)
{
    m_canImport = canImport;
    if (m_importButton) {
        m_importButton->setEnabled(canImport);
        m_importButton->setToolTip(canImport ? tr("Import selected recipe text")
                                             : tr("Add at least one Import Area to enable import"));
    }
    emit canImportChanged(canImport);
}

QStringList ImportController::supportedPasteboardTypes()
{
    return { rtfType, applicationRtfType, htmlType, plainType };
}

QString ImportController::availableType(const QMimeData* pasteboard)
{
    if (!pasteboard)
        return {};
    for (const QString& type : supportedPasteboardTypes()) {
        if (pasteboard->hasFormat(type))
            return type;
    }
    return {};
}

const QMimeData* ImportController::generalPasteboard() const
{
    return m_outlets.generalPasteboard ? m_outlets.generalPasteboard()
                                       : QApplication::clipboard()->mimeData();
}

void ImportController::paste()
{
    m_importView->paste();
}

void ImportController::snap(bool snapToText)
{
    m_importView->setSnapToText(snapToText);
    if (m_snapBox && m_snapBox->isChecked() != snapToText)
        m_snapBox->setChecked(snapToText);
}

bool ImportController::isRecipeText(const QString& text)
{
    const Range block = ParsingEngine::defaultParsingEngine().rangeOfIngredientsBlockInString(text);
    if (block.location == Range::NotFound)
        return false;
    return ParsingEngine::ingredientsInString(text).size() >= 2;
}

bool ImportController::readPasteboardData(const QMimeData* pasteboard, bool overwriteExistingData)
{
    if (overwriteExistingData) {
        m_importView->clearAreas();
        setCanImport(false);
    } else if (m_importView->areaCount() > 0)
        return true; // the user's work is never replaced by a pick-up
    const QString type = availableType(pasteboard);
    if (type.isEmpty())
        return true;
    const bool rich = type != plainType;

    if (!overwriteExistingData) {
        QString text;
        bool read = !rich;
        if (rich) {
            QString error;
            if (const auto string
                = DocumentReader::readData(pasteboard->data(type), kindForType(type), &error)) {
                text = string->string();
                read = true;
            } else {
                Log::logf(QStringLiteral("InportController: readError: %1"), error);
            }
        }
        if (!read && !pasteboard->hasFormat(plainType))
            return true;
        if (!read || !rich)
            text = pasteboard->text();
        if (!isRecipeText(text))
            return true;
        if (!read) {
            readString(text);
            return true;
        }
    }

    if (rich)
        readData(pasteboard->data(type), kindForType(type));
    else
        readString(pasteboard->text());
    if (overwriteExistingData)
        findAreas();
    return true;
}

void ImportController::clearText()
{
    m_importView->clear();
    m_cueText->hide();
}

void ImportController::loadText(const AttributedString& text)
{
    MutableAttributedString display;
    display.appendAttributedString(text);
    display.beginEditing();
    display.removeAttribute(NSAttachmentAttributeName, { 0, display.length() });
    display.removeAttribute(QStringLiteral("NSBackgroundColor"), { 0, display.length() });
    for (qsizetype i = display.string().lastIndexOf(QChar(NSAttachmentCharacter)); i >= 0;
         i = i > 0 ? display.string().lastIndexOf(QChar(NSAttachmentCharacter), i - 1) : -1)
        display.deleteCharactersInRange({ i, 1 });
    display.endEditing();
    RecipeImportView::formatTextForDisplay(display);
    display.insertAttributedString(AttributedString(leadingLines), 0);
    display.appendAttributedString(AttributedString(trailingLines));
    m_importView->setAttributedString(display);
    m_cueText->show();
    m_cueText->raise();
}

bool ImportController::readData(const QByteArray& data, DocumentReader::Kind kind)
{
    if (data.isEmpty())
        return false;
    clearText();
    QString message;
    const std::optional<AttributedString> text = DocumentReader::readData(data, kind, &message);
    if (!text) {
        presentError(message);
        return false;
    }
    loadText(*text);
    return true;
}

bool ImportController::readDataForFilename(const QString& path)
{
    clearText();
    QString message;
    const std::optional<AttributedString> text = DocumentReader::readFile(path, &message);
    if (!text) {
        presentError(message);
        return false;
    }
    loadText(*text);
    return true;
}

void ImportController::readString(const QString& string)
{
    readString(AttributedString(string));
}

void ImportController::readString(const AttributedString& string)
{
    if (string.length() == 0)
        return;
    clearText();
    loadText(string);
}

void ImportController::presentError(const QString& message) const
{
    if (KitchoraServices* services = KitchoraServices::shared())
        services->presentError(Error { QStringLiteral("KitchoraImportErrorDomain"), 1, message, {} });
    else
        Log::logf(QStringLiteral("ImportController: %1"), message);
}

void ImportController::openFile()
{
    QString path;
    if (m_outlets.chooseFile) {
        path = m_outlets.chooseFile(m_importWindow);
    } else {
        QStringList patterns { QStringLiteral("*.txt"), QStringLiteral("*.text"), QStringLiteral("*.rtf"),
            QStringLiteral("*.rtfd"), QStringLiteral("*.html"), QStringLiteral("*.htm"),
            QStringLiteral("*.pdf") };
        const QStringList own
            = m_outlets.supportedFileExtensions ? m_outlets.supportedFileExtensions() : QStringList();
        for (const QString& extension : own)
            patterns.append(QStringLiteral("*.") + extension);
        path = QFileDialog::getOpenFileName(
            m_importWindow, tr("Choose File"), QString(), tr("Documents (%1)").arg(patterns.join(u' ')));
    }
    if (path.isEmpty())
        return;
    const QStringList own
        = m_outlets.supportedFileExtensions ? m_outlets.supportedFileExtensions() : QStringList();
    if (own.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive)) {
        m_importWindow->hide();
        if (m_outlets.openFiles)
            m_outlets.openFiles({ path });
        return;
    }
    m_importView->clearAreas();
    if (readDataForFilename(path))
        findAreas();
}

void ImportController::findAreas()
{
    if (m_importView->areaCount() > 0)
        return;
    const QString text = m_importView->string();
    if (ParsingEngine::ingredientsInString(text).size() < 2)
        return;
    const ParsingEngine& engine = ParsingEngine::defaultParsingEngine();
    const ConstantManager& constants = ConstantManager::defaultManager();
    const ImportTextLayout& layout = m_importView->textLayout();
    auto place = [&](Range block, const QString& group) {
        const QRectF rect = layout.boundingRectForGlyphRange(block);
        auto area = ImportArea::areaWithFrame(
            QRectF(rect.toAlignedRect()), m_importView->snapToText(), m_importView);
        area->setKey(constants.constantForKey(RIChoiceConstantKey, group));
        m_importView->addArea(area);
    };

    const Range ingredients = engine.rangeOfIngredientsBlockInString(text);
    qsizetype directionsFrom = 0;
    if (ingredients.location != Range::NotFound && ingredients.length > 0) {
        // Directions follow the ingredients, whether or not their block was long enough.
        directionsFrom = maxRange(ingredients);
        if (ingredients.length >= kMinimumIngredientsBlockLength)
            place(ingredients, KRIngredientConstantGroup);
    }
    const Range directions = engine.rangeOfDirectionsBlockInString(text.sliced(directionsFrom));
    if (directions.location != Range::NotFound && directions.length >= kMinimumDirectionsBlockLength)
        place({ directions.location + directionsFrom, directions.length }, KRDirectionConstantGroup);
    // Areas placed here come with their fields: the Import button follows them.
    setCanImport(hasDefinedArea());
    m_importView->viewport()->update();
}

void ImportController::addString(const QString& string, ImportArea* area, QVariantMap& dictionary)
{
    if (string.isEmpty() || !area)
        return;
    const QString existing = dictionary.value(area->key()).toString();
    dictionary.insert(area->key(), existing.isEmpty() ? string : existing + u'\n' + string);
}

void ImportController::addDataFromCurrentArea(ImportArea* area, QVariantMap& dictionary) const
{
    if (!area || !area->isDefined())
        return;
    const QRectF frame = area->frame();
    const ImportTextLayout& layout = m_importView->textLayout();
    const Range touched = layout.glyphRangeForBoundingRect(frame);
    if (touched.location == Range::NotFound || touched.length <= 0)
        return;
    const QString text = m_importView->string();
    const bool debug = debugMode();
    if (debug)
        Log::logf(QStringLiteral("importing text: %1, in area: (%2, %3, %4, %5)"),
            text.mid(touched.location, touched.length), frame.x(), frame.y(), frame.width(), frame.height());

    // The last run of glyphs that lie in the frame; white space neither opens nor closes one.
    qsizetype runStart = -1;
    qsizetype runLast = -1;
    bool open = false;
    const qsizetype end = std::min(maxRange(touched), text.size());
    for (qsizetype i = touched.location; i < end; ++i) {
        const QChar c = text.at(i);
        if (isWhitespaceOrLineEnd(c))
            continue;
        QRectF glyph = layout.boundingRectForGlyph(i);
        if (glyph.width() < 1.0) {
            if (debug)
                Log::logf(QStringLiteral(
                              "correcting zero sized boundingRect.width for character: %1 <unichar: %2>"),
                    QString(c), QString::number(c.unicode(), 16));
            glyph.setWidth(1.0);
        }
        if (glyph.intersects(frame)) {
            if (!open)
                runStart = i;
            open = true;
            runLast = i;
        } else {
            open = false;
        }
    }
    if (runStart < 0)
        return;
    // A run still open at the end takes the trailing white space up to the area's own end.
    const qsizetype stop = open ? end : runLast + 1;
    addString(text.mid(runStart, stop - runStart), area, dictionary);
}

bool ImportController::save(ManagedObjectContext& context, Error* error) const
{
    return m_outlets.saveContext ? m_outlets.saveContext(context, error) : context.save(error);
}

bool ImportController::saveRepairingContext(ManagedObjectContext& context,
    const std::function<bool(ManagedObjectContext&, Error*)>& save, Error* error)
{
    for (int repairs = 0; context.hasChanges(); ++repairs) {
        Error saveError;
        if (save ? save(context, &saveError) : context.save(&saveError))
            return true;
        if (error)
            *error = saveError;
        Log::logf(QStringLiteral("ImportController: -import: save error (%1)"), describe(saveError));
        if (repairs >= kMaximumSaveRepairs)
            return false;
        QList<ManagedObject*> doomed;
        bool retry = true;
        if (saveError.code == CoreDataErrors::ValidationMultipleErrors) {
            // Each object that misses a mandatory property goes; another kind of error among
            // them ends the loop.
            for (const QVariant& detail :
                saveError.userInfo.value(CoreDataErrors::detailedErrorsKey).toList()) {
                const QVariantMap map = detail.toMap();
                if (map.value(QStringLiteral("code")).toInt()
                    == CoreDataErrors::ValidationMissingMandatoryProperty)
                    doomed.append(validationObject(map.value(QStringLiteral("userInfo")).toMap()));
                else
                    retry = false;
            }
        } else if (saveError.code == CoreDataErrors::ValidationMissingMandatoryProperty) {
            doomed.append(validationObject(saveError.userInfo));
        } else {
            return false;
        }
        bool progress = false;
        for (ManagedObject* object : doomed) {
            if (!object || object->isDeleted())
                continue;
            context.deleteObject(object);
            progress = true;
        }
        // An error that names no object to delete would come back for good.
        if (!progress || !retry)
            return false;
    }
    return true;
}

void ImportController::handleException(const QString& what, RecipeMO* recipe)
{
    Log::logf(
        QStringLiteral("Ignoring Exception during import: %1 (%2)"), what, QStringLiteral("std::exception"));
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    if (!context)
        return;
    // The half-built recipe is already in the library and the recent imports: it goes.
    deleteRecipe(recipe);
    Error error;
    saveRepairingContext(*context, m_outlets.saveContext, &error);
}

void ImportController::updateRecipeControllerWithRecipe(RecipeMO* recipe)
{
    if (m_outlets.showRecipe)
        m_outlets.showRecipe(recipe);
    if (m_outlets.editRecipe && !(m_outlets.recipePageEditable && m_outlets.recipePageEditable()))
        m_outlets.editRecipe();
    m_importView->clearAreas();
    clearText();
    setCanImport(false);
}

void ImportController::showProgressOverlayOverWindow()
{
    removeProgressOverlay();
    m_overlay = new ProgressOverlayView(m_importWindow);
    m_overlay->setAutoFillBackground(true);
    QPalette palette = m_overlay->palette();
    palette.setColor(QPalette::Window, QColor(0, 0, 0, int(0.8 * 255)));
    m_overlay->setPalette(palette);
    m_overlay->setGeometry(m_importView->geometry());
    m_overlay->show();
    m_overlay->raise();
    m_overlay->startAnimation();
}

void ImportController::removeProgressOverlay()
{
    if (!m_overlay)
        return;
    m_overlay->stopAnimation();
    delete m_overlay;
    m_overlay = nullptr;
}

void ImportController::import()
{
    if (m_importView->areaCount() == 0) {
        Log::log(QStringLiteral("No import areas"));
        return;
    }
    showProgressOverlayOverWindow();
    QVariantMap blocks;
    for (const auto& area : m_importView->currentImportAreas())
        addDataFromCurrentArea(area.get(), blocks);
    if (debugMode())
        Log::logf(QStringLiteral("import data: %1"), QStringList(blocks.keys()).join(QStringLiteral(", ")));

    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    const QSet<ManagedObject*> before = insertedRecipes(context);
    RecipeMO* recipe = nullptr;
    QString failure;
    try {
        recipe = m_outlets.recipeFromTaggedTextBlocks
            ? m_outlets.recipeFromTaggedTextBlocks(blocks)
            : TaggedTextBlockImporter().recipeFromTaggedTextBlocks(blocks);
    } catch (const std::exception& exception) {
        failure = QString::fromLocal8Bit(exception.what());
    }

    if (!failure.isEmpty()) {
        // The recipe the importer had inserted before it failed.
        for (ManagedObject* object : insertedRecipes(context)) {
            if (!before.contains(object))
                recipe = dynamic_cast<RecipeMO*>(object);
        }
        handleException(failure, recipe);
        Log::log(QStringLiteral("Imported recipe is nil"));
        presentError(
            tr("The recipe could not be imported (%1). Nothing was added to your library.").arg(failure));
    } else if (!recipe || !context) {
        Log::log(QStringLiteral("Imported recipe is nil"));
        presentError(tr("The recipe could not be imported. Nothing was added to your library."));
    } else {
        recipe->setValueForKey(false, QStringLiteral("defaultValues"));
        Error error;
        if (saveRepairingContext(*context, m_outlets.saveContext, &error) && !recipe->isDeleted()) {
            updateRecipeControllerWithRecipe(recipe);
        } else {
            // Not stored: the recipe must not be left in the library looking imported.
            deleteRecipe(recipe);
            presentError(tr("The recipe could not be saved (%1). Nothing was added to your library.")
                             .arg(error.localizedDescription));
        }
    }
    removeProgressOverlay();
    m_importWindow->hide();
}

bool ImportController::hasDefinedArea() const
{
    for (const auto& area : m_importView->currentImportAreas()) {
        if (area->isDefined())
            return true;
    }
    return false;
}

void ImportController::didAddArea(ImportArea*)
{
    setCanImport(hasDefinedArea());
}

void ImportController::didRemoveArea(ImportArea*)
{
    setCanImport(hasDefinedArea());
}

void ImportController::definedArea(ImportArea*)
{
    setCanImport(hasDefinedArea());
}

void ImportController::importViewDidReceiveReturnCharacter(RecipeImportView* view)
{
    if (view == m_importView && m_importButton->isEnabled())
        m_importButton->click();
}

qsizetype ImportController::loadedLineCount() const
{
    QString text = m_importView->string();
    // Without the blank lines added around the loaded text.
    if (text.startsWith(leadingLines) && text.endsWith(trailingLines) && text.size() >= 5)
        text = text.sliced(3, text.size() - 5);
    return BLStringUtilities::lineCount(text);
}

void ImportController::pickUp(bool windowBecameKey)
{
    readPasteboardData(generalPasteboard(), false);
    if (m_importView->string().isEmpty() || loadedLineCount() < kMinimumPickUpLines)
        return;
    findAreas();
    if (windowBecameKey)
        setCanImport(hasDefinedArea());
    if (windowBecameKey || m_importWindow->isActiveWindow()) {
        m_importView->setFocus();
        if (!windowBecameKey)
            m_importWindow->raise();
    }
}

void ImportController::windowDidBecomeKey()
{
    pickUp(true);
}

void ImportController::didBecomeActive()
{
    if (m_importWindow && m_importWindow->isVisible())
        pickUp(false);
}

void ImportController::windowWillClose()
{
    m_importView->clear();
    m_importView->clearAreas();
    m_cueText->hide();
    setCanImport(false);
}
