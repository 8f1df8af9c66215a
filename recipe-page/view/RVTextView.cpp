#include "RVTextView.h"

#include "CardAttachmentHandler.h"
#include "CardTextDocument.h"
#include "ConstantManager.h"
#include "IsEmpty.h"
#include "RVTextContainer.h"
#include "RecipeCardAttributes.h"
#include "RecipeEditingModel.h"
#include "RunLoop.h"

#include <QAbstractItemView>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QStringListModel>
#include <QTextBlock>
#include <QTextFrame>
#include <memory>

namespace
{

// The picture well's place in the notch.
constexpr int WellWidth = 160;
constexpr int WellHeight = 200;
constexpr int WellTop = 17;

bool isNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

} // namespace

RVTextView::RVTextView(RecipeEditingModel& page, RVTextContainer& container, QWidget* parent)
    : QTextEdit(parent)
    , m_page(page)
    , m_container(container)
    , m_layout(document())
{
    setAcceptRichText(false);
    setUndoRedoEnabled(false);
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    document()->setDocumentMargin(0);
    QTextFrameFormat root = document()->rootFrame()->frameFormat();
    root.setLeftMargin(RVTextContainer::Margin + container.lineFragmentPadding());
    root.setTopMargin(RVTextContainer::Margin);
    root.setRightMargin(container.lineFragmentPadding());
    root.setBottomMargin(RVTextContainer::Margin);
    document()->rootFrame()->setFrameFormat(root);
    m_attachments = new CardAttachmentHandler(container.lineFragmentPadding(), this);
    document()->documentLayout()->registerHandler(CardTextDocument::AttachmentObjectType, m_attachments);
    setReadOnly(!page.isEditable());
    viewport()->setAcceptDrops(true);
    setCursorWidth(0);

    m_completions = new QStringListModel(this);
    m_completer = new QCompleter(m_completions, this);
    m_completer->setWidget(this);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this,
        [this](const QString& completion) { insertCompletion(completion); });

    RecipeEditingModel::Hooks& hooks = page.hooks();
    hooks.textChanged = [this](Range replaced, qsizetype newLength) { textChanged(replaced, newLength); };
    hooks.selectionChanged = [this](Range selection) { showSelection(selection); };
    hooks.editorChanged = [this] { editorChanged(); };
    hooks.startCompletionTimer = [this] {
        RunLoop::cancel(m_completionTimer);
        m_completionTimer = RunLoop::postAfterDelay(0.15, [this] {
            m_completionTimer = 0;
            doCompletion();
        });
    };
    hooks.stopCompletionTimer = [this] {
        RunLoop::cancel(m_completionTimer);
        m_completionTimer = 0;
    };
    page.setLayout(&m_layout);
    connect(this, &QTextEdit::cursorPositionChanged, this, &RVTextView::cursorMoved);
    connect(this, &QTextEdit::selectionChanged, this, &RVTextView::cursorMoved);

    CardTextDocument::fill(document(), page.textStorage());
    applyNotch();
}

RVTextView::~RVTextView()
{
    RunLoop::cancel(m_completionTimer);
    RunLoop::cancel(m_trackingRectUpdate);
    RecipeEditingModel::Hooks& hooks = m_page.hooks();
    hooks.textChanged = {};
    hooks.selectionChanged = {};
    hooks.editorChanged = {};
    hooks.startCompletionTimer = {};
    hooks.stopCompletionTimer = {};
    m_page.setLayout(nullptr);
}

// --- mirroring the model ---

void RVTextView::textChanged(Range replaced, qsizetype newLength)
{
    m_applying = true;
    CardTextDocument::replace(document(), replaced, m_page.textStorage(), { replaced.location, newLength });
    m_applying = false;
    applyNotch();
    updateTrackingRects();
}

void RVTextView::showSelection(Range selection)
{
    m_applying = true;
    QTextCursor cursor(document());
    const int last = document()->characterCount() - 1;
    cursor.setPosition(std::min<int>(int(selection.location), last));
    cursor.setPosition(std::min<int>(int(maxRange(selection)), last), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    m_applying = false;
}

void RVTextView::cursorMoved()
{
    if (m_applying)
        return;
    const QTextCursor cursor = textCursor();
    const Range proposed { cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart() };
    if (proposed == m_page.selectedRange())
        return;
    m_page.changeSelection(proposed);
    // The rules may have moved it.
    if (m_page.selectedRange() != proposed)
        showSelection(m_page.selectedRange());
}

void RVTextView::editorChanged()
{
    setReadOnly(!m_page.isEditable());
    // Pictures drop in both modes.
    viewport()->setAcceptDrops(true);
    setCursorWidth(m_page.isEditing() ? 1 : 0);
    viewport()->update();
}

void RVTextView::applyNotch()
{
    if (m_applyingNotch)
        return;
    m_applyingNotch = true;
    m_container.setWidth(viewport()->width());
    const double notchBottom = double(m_container.RVTextContainerNotchY()) + RVTextContainer::Margin;
    const double notch = m_container.RVTextContainerNotchX();
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    // Blocks that start beside the notch end before it; moving one may move those below.
    for (int pass = 0; pass < 3; ++pass) {
        bool changed = false;
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
            const double top = layout->blockBoundingRect(block).top();
            const double wanted = top < notchBottom ? notch : 0.0;
            if (block.blockFormat().rightMargin() == wanted) {
                if (top >= notchBottom && wanted == 0.0)
                    break;
                continue;
            }
            QTextCursor cursor(block);
            QTextBlockFormat format;
            format.setRightMargin(wanted);
            m_applying = true;
            cursor.mergeBlockFormat(format);
            m_applying = false;
            changed = true;
        }
        if (!changed)
            break;
    }
    m_applyingNotch = false;
}

// --- picture well ---

void RVTextView::setImageView(QWidget* imageView)
{
    m_imageView = imageView;
    if (imageView) {
        imageView->setParent(viewport());
        imageView->show();
        placeImageView();
    }
}

void RVTextView::placeImageView()
{
    if (m_imageView)
        m_imageView->setGeometry(
            viewport()->width() - WellWidth, WellTop - verticalScrollBar()->value(), WellWidth, WellHeight);
}

void RVTextView::resizeEvent(QResizeEvent* event)
{
    QTextEdit::resizeEvent(event);
    placeImageView();
    applyNotch();
    updateTrackingRects();
}

// --- coordinates ---

QPointF RVTextView::documentPoint(QPointF point) const
{
    return point + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QPointF RVTextView::viewportPoint(QPointF point) const
{
    return point - QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

// --- keys ---

bool RVTextView::event(QEvent* event)
{
    // The page's own undo, cut and paste win over the window's menu shortcuts.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)
            || key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Paste)) {
            event->accept();
            return true;
        }
    }
    return QTextEdit::event(event);
}

void RVTextView::keyPressEvent(QKeyEvent* event)
{
    if (m_completer->popup()->isVisible()) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            // The popup takes these.
            event->ignore();
            return;
        default:
            m_completer->popup()->hide();
        }
    }
    if (event->matches(QKeySequence::Undo)) {
        undoOrRedo(true);
        return;
    }
    if (event->matches(QKeySequence::Redo)) {
        undoOrRedo(false);
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        cut();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        pastePlainText();
        return;
    }
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll)) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::MoveToStartOfDocument)) {
        m_page.keyCommand(QStringLiteral("moveToBeginningOfDocument:"));
        if (m_page.isEditing())
            return;
    }
    if (event->matches(QKeySequence::MoveToEndOfDocument)) {
        m_page.keyCommand(QStringLiteral("moveToEndOfDocument:"));
        if (m_page.isEditing())
            return;
    }
    switch (event->key()) {
    case Qt::Key_Tab:
        m_page.keyCommand(QStringLiteral("insertTab:"));
        return;
    case Qt::Key_Backtab:
        m_page.keyCommand(QStringLiteral("insertBacktab:"));
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_page.keyCommand(QStringLiteral("insertNewline:"));
        return;
    case Qt::Key_Backspace:
        m_page.keyCommand(QStringLiteral("deleteBackward:"));
        return;
    case Qt::Key_Delete:
        m_page.keyCommand(QStringLiteral("deleteForward:"));
        return;
    default:
        break;
    }
    if (isNavigationKey(event->key())) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    const QString text = event->text();
    const bool printable = !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.isPrint() || c == QChar::LineSeparator;
    });
    if (printable && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        m_page.insertText(text);
        ensureCursorVisible();
        return;
    }
    event->ignore();
}

void RVTextView::inputMethodEvent(QInputMethodEvent* event)
{
    // Only committed text reaches the card; composing text is not shown in place.
    if (!event->commitString().isEmpty()) {
        Range range = m_page.selectedRange();
        if (event->replacementLength() != 0) {
            range.location = std::max<qsizetype>(0, range.location + event->replacementStart());
            range.length = event->replacementLength();
        }
        m_page.replaceCharactersInRange(range, event->commitString());
    }
    event->accept();
}

void RVTextView::undoOrRedo(bool undo)
{
    if (undoOrRedoRequested)
        undoOrRedoRequested(undo);
}

// --- cut, paste, drops ---

void RVTextView::cut()
{
    const Range selection = m_page.selectedRange();
    if (selection.length == 0)
        return;
    const QString text = m_page.textStorage().string().mid(selection.location, selection.length);
    if (m_page.replaceCharactersInRange(selection, {}))
        QApplication::clipboard()->setText(text);
}

void RVTextView::pastePlainText()
{
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty())
        m_page.insertText(text);
}

bool RVTextView::canInsertFromMimeData(const QMimeData* source) const
{
    return source && source->hasText();
}

void RVTextView::insertFromMimeData(const QMimeData* source)
{
    // Always plain text: styled text from elsewhere never enters the card.
    if (source && source->hasText())
        m_page.insertText(source->text());
}

void RVTextView::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptsPicture && acceptsPicture(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    if (event->mimeData()->hasText() && m_page.isEditing())
        event->acceptProposedAction();
    else
        event->ignore();
}

void RVTextView::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptsPicture && acceptsPicture(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    const bool inBox = m_page.editBoxRect().contains(documentPoint(event->position()));
    if (event->mimeData()->hasText() && inBox)
        event->acceptProposedAction();
    else
        event->ignore();
}

void RVTextView::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (acceptsPicture && acceptsPicture(data)) {
        const bool taken = recipeViewShouldPerformDragOperation && recipeViewShouldPerformDragOperation(data);
        taken ? event->acceptProposedAction() : event->ignore();
        return;
    }
    // Text drops land only inside the edit box, tested in view (document) coordinates.
    const QPointF point = documentPoint(event->position());
    if (!data->hasText() || !m_page.editBoxRect().contains(point)) {
        event->ignore();
        return;
    }
    const int position = document()->documentLayout()->hitTest(point, Qt::FuzzyHit);
    m_page.changeSelection({ position, 0 });
    m_page.insertText(data->text());
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

QMenu* RVTextView::contextMenuForPoint(QPointF point)
{
    if (!contextualMenuForAttributeValue)
        return nullptr;
    const AttributedString& text = m_page.textStorage();
    const qsizetype hit = m_layout.characterIndexForPoint(point);
    if (hit == Range::NotFound || hit >= text.length())
        return nullptr;
    // From the line's first character, run by run, to the first field value.
    const QRectF line = m_layout.lineRectForCharacter(hit);
    qsizetype index = m_layout.characterIndexForPoint(QPointF(line.left() + 0.5, line.center().y()));
    if (index == Range::NotFound || index > hit)
        index = hit;
    while (index < text.length()) {
        Range run;
        const QVariant value = text.attributeAtIndex(RVValueAttribute, index, &run);
        if (isEmpty(value)) {
            index = run.length > 0 ? run.location + run.length : index + 1;
            continue;
        }
        const QString keyPath = value.toString();
        if (ConstantManager::defaultManager().groupKeyForConstant(keyPath) == KRIngredientConstantGroup) {
            const qsizetype last = run.location + run.length - 1;
            const quint64 item = text.attributeAtIndex(RVIndexAttribute, last).toULongLong();
            return contextualMenuForAttributeValue(QStringLiteral("ingredients"), item, this);
        }
        return contextualMenuForAttributeValue(keyPath, 0, this);
    }
    return nullptr;
}

void RVTextView::contextMenuEvent(QContextMenuEvent* event)
{
    // Reading the card, a field has its own menu; editing, the text's menu serves.
    if (!m_page.isEditable()) {
        if (std::unique_ptr<QMenu> fieldMenu { contextMenuForPoint(documentPoint(event->pos())) }) {
            fieldMenu->exec(event->globalPos());
            return;
        }
    }
    QMenu* menu = createStandardContextMenu(event->pos());
    // Every action that changes text goes through the page's rules.
    for (QAction* action : menu->actions()) {
        const QString name = action->objectName();
        if (name == QLatin1String("edit-cut") || name == QLatin1String("edit-paste")
            || name == QLatin1String("edit-delete") || name == QLatin1String("edit-undo")
            || name == QLatin1String("edit-redo")) {
            action->disconnect();
            if (name == QLatin1String("edit-cut"))
                connect(action, &QAction::triggered, this, [this] { cut(); });
            else if (name == QLatin1String("edit-paste"))
                connect(action, &QAction::triggered, this, [this] { pastePlainText(); });
            else if (name == QLatin1String("edit-delete"))
                connect(action, &QAction::triggered, this,
                    [this] { m_page.replaceCharactersInRange(m_page.selectedRange(), {}); });
            else
                connect(action, &QAction::triggered, this,
                    [this, undo = name == QLatin1String("edit-undo")] { undoOrRedo(undo); });
        }
    }
    menu->exec(event->globalPos());
    delete menu;
}

RVTextView::MenuItemState RVTextView::validateDeleteMenuItem(bool textCanBeDeleted, bool recipeCanBeDeleted)
{
    if (textCanBeDeleted)
        return { tr("Delete"), true };
    if (recipeCanBeDeleted)
        return { tr("Delete Recipe"), true };
    return { tr("Delete"), false };
}

// --- mouse ---

void RVTextView::mousePressEvent(QMouseEvent* event)
{
    const QPointF point = documentPoint(event->position());
    const qsizetype index = m_layout.characterIndexForPoint(point);
    const AttributedString& text = m_page.textStorage();
    if (index != Range::NotFound && index < text.length()) {
        const QVariant attachment = text.attributeAtIndex(NSAttachmentAttributeName, index);
        if (attachment.canConvert<TextAttachment>()
            && attachment.value<TextAttachment>().cell == TextAttachment::Cell::Button) {
            m_buttonTracking = RVButtonTextAttachmentCell::trackMouse(
                event->button(), m_layout.boundingRectForRange({ index, 1 }));
            m_buttonIndex = index;
            if (m_buttonTracking.active)
                return;
        }
    }
    if (event->button() != Qt::LeftButton) {
        QTextEdit::mousePressEvent(event);
        return;
    }
    if (!m_page.isEditable()) {
        // A click on a hover bubble opens its field's menu.
        if (m_popupRect.contains(point)) {
            if (std::unique_ptr<QMenu> fieldMenu { contextMenuForPoint(m_popupRect.center()) }) {
                fieldMenu->exec(event->globalPosition().toPoint());
                return;
            }
        }
        QTextEdit::mousePressEvent(event);
        return;
    }
    if (m_page.mouseDown(point) == RecipeEditingModel::Click::PlaceCaret)
        QTextEdit::mousePressEvent(event);
    viewport()->update();
}

void RVTextView::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF point = documentPoint(event->position());
    if (m_buttonTracking.active) {
        RVButtonTextAttachmentCell::mouseDragged(m_buttonTracking, point);
        return;
    }
    if (!m_page.isEditable()) {
        QRectF bubble;
        for (const QRectF& rect : m_trackingRects)
            if (rect.contains(point)) {
                bubble = rect;
                break;
            }
        if (bubble != m_popupRect) {
            m_popupRect = bubble;
            viewport()->update();
        }
    }
    QTextEdit::mouseMoveEvent(event);
}

void RVTextView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_buttonTracking.active || m_buttonIndex >= 0) {
        const bool clicked
            = RVButtonTextAttachmentCell::mouseUp(m_buttonTracking, documentPoint(event->position()));
        const qsizetype index = m_buttonIndex;
        m_buttonIndex = -1;
        if (clicked)
            m_page.clickedOnCellAtIndex(index);
        if (clicked || index >= 0)
            return;
    }
    QTextEdit::mouseReleaseEvent(event);
}

// --- hover areas ---

void RVTextView::updateTrackingRects()
{
    if (m_trackingRectUpdate)
        return;
    m_trackingRectUpdate = RunLoop::postAfterDelay(0.1, [this] {
        m_trackingRectUpdate = 0;
        recreateTrackingRects();
    });
}

void RVTextView::recreateTrackingRects()
{
    ++m_trackingRectRebuilds;
    m_popupRect = {};
    m_trackingRects.clear();
    if (m_page.textStorage().length() == 0 || !generateTrackingRects) {
        viewport()->update();
        return;
    }
    const std::optional<QList<QRectF>> rects = generateTrackingRects();
    const QRectF visible(documentPoint({ 0, 0 }), QSizeF(viewport()->size()));
    if (rects)
        for (const QRectF& rect : *rects)
            if (rect.intersects(visible))
                m_trackingRects.append(rect);
    viewport()->update();
}

// --- completion ---

Range RVTextView::partialWordRange() const
{
    const Range selection = m_page.selectedRange();
    const QString& text = m_page.textStorage().string();
    qsizetype start = selection.location;
    while (start > 0 && text.at(start - 1).isLetterOrNumber())
        --start;
    return { start, selection.location - start };
}

void RVTextView::doCompletion()
{
    const Range partial = partialWordRange();
    if (partial.length == 0)
        return;
    const std::optional<QStringList> words = m_page.completionsForPartialWordRange(partial);
    if (!words)
        return;
    m_completionRange = partial;
    m_completions->setStringList(*words);
    const QRectF caret = m_layout.boundingRectForRange({ std::max<qsizetype>(0, partial.location), 1 });
    QRect at = QRectF(viewportPoint(caret.bottomLeft()), QSizeF(200, 1)).toAlignedRect();
    m_completer->complete(at);
}

QStringList RVTextView::completionList() const
{
    return m_completer->popup()->isVisible() ? m_completions->stringList() : QStringList();
}

void RVTextView::insertCompletion(const QString& completion)
{
    const QString typed
        = m_page.textStorage().string().mid(m_completionRange.location, m_completionRange.length);
    // The letters the user typed keep their case.
    const QString replacement = typed + completion.mid(typed.size());
    m_page.replaceCharactersInRange(m_completionRange, replacement);
}

// --- drawing ---

void RVTextView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QPointF offset = viewportPoint({ 0, 0 });
    painter.translate(offset);
    if (!m_page.isEditable() && !m_popupRect.isEmpty()) {
        // The hover bubble, under the text.
        const double radius = m_popupRect.height() / 2;
        QRectF bubble = m_popupRect.adjusted(-radius / 2, 0, radius / 2, 0);
        QPainterPath path;
        path.addRoundedRect(bubble, radius, radius);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(path, QColor(Qt::lightGray));
    }
    painter.end();

    QTextEdit::paintEvent(event);

    QPainter over(viewport());
    over.translate(offset);
    const QRectF box = m_page.isEditable() ? m_page.editBoxRect() : QRectF();
    if (!box.isEmpty()) {
        // A grey outline with a soft shadow falling below and to the right of it.
        for (int i = 1; i <= 4; ++i) {
            const QColor shade(0, 0, 0, 48 - 10 * i);
            over.fillRect(QRectF(box.left() + 1.5, box.bottom() + i - 1, box.width(), 1), shade);
            over.fillRect(QRectF(box.right() + i - 1, box.top() + 4.5, 1, box.height() - 3), shade);
        }
        over.setPen(QColor(Qt::gray));
        over.setBrush(Qt::NoBrush);
        over.drawRect(box);
    }
    over.resetTransform();
    // A soft shadow along the bottom of the visible area.
    QLinearGradient shadow(0, viewport()->height() - 6, 0, viewport()->height());
    shadow.setColorAt(0, QColor(0, 0, 0, 0));
    shadow.setColorAt(1, QColor(0, 0, 0, 40));
    over.fillRect(QRectF(0, viewport()->height() - 6, viewport()->width(), 6), shadow);
}
