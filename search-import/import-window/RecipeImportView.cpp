#include "RecipeImportView.h"

#include "DocumentImportTextLayout.h"
#include "RunLoop.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QFont>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace
{

QRectF integral(const QRectF& rect)
{
    return QRectF(rect.toAlignedRect());
}

QTextCharFormat charFormatFor(const QVariantMap& attributes)
{
    QTextCharFormat format;
    const QVariant font = attributes.value(NSFontAttributeName);
    if (font.canConvert<QFont>())
        format.setFont(font.value<QFont>(), QTextCharFormat::FontPropertiesAll);
    const QVariant colour = attributes.value(NSForegroundColorAttributeName);
    if (colour.canConvert<QColor>() && colour.value<QColor>().isValid())
        format.setForeground(colour.value<QColor>());
    return format;
}

} // namespace

RecipeImportView::RecipeImportView(QWidget* parent)
    : QTextEdit(parent)
    , m_layout(std::make_unique<DocumentImportTextLayout>(document()))
{
    m_importAreas.reserve(5);
    // Room at the sides of every line for the close boxes and label tabs.
    document()->setDocumentMargin(30.0);
    setAcceptRichText(true);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(12.0);
    document()->setDefaultFont(font);
}

RecipeImportView::~RecipeImportView() = default;

QString RecipeImportView::string() const
{
    return document()->toPlainText();
}

void RecipeImportView::setAttributedString(const AttributedString& text)
{
    QTextDocument* doc = document();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    text.enumerateAttributesInRange(
        { 0, text.length() }, [&](const QVariantMap& attributes, Range range, bool&) {
            QString piece = text.string().sliced(range.location, range.length);
            piece.replace(QChar::LineSeparator, u'\n');
            cursor.insertText(piece, charFormatFor(attributes));
        });
    // Paragraph spacing goes on the blocks.
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QVariant style = text.attributeAtIndex(NSParagraphStyleAttributeName, block.position());
        if (!style.canConvert<ParagraphStyle>())
            continue;
        const ParagraphStyle paragraph = style.value<ParagraphStyle>();
        if (paragraph.paragraphSpacing <= 0)
            continue;
        QTextCursor blockCursor(block);
        QTextBlockFormat format = block.blockFormat();
        format.setBottomMargin(paragraph.paragraphSpacing);
        blockCursor.setBlockFormat(format);
    }
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(true);
}

void RecipeImportView::setTextLayout(std::unique_ptr<ImportTextLayout> layout)
{
    m_layout = layout ? std::move(layout) : std::make_unique<DocumentImportTextLayout>(document());
}

QRectF RecipeImportView::visibleRect() const
{
    if (m_fixedVisibleRect)
        return *m_fixedVisibleRect;
    return QRectF(horizontalScrollBar()->value(), verticalScrollBar()->value(), viewport()->width(),
        viewport()->height());
}

void RecipeImportView::popUpLabelsMenu(ImportArea* area, QPointF point)
{
    if (!area)
        return;
    const QList<ImportArea::MenuItem> items = area->menuForPoint(point);
    if (items.isEmpty())
        return;
    if (m_menuPresenter) {
        m_menuPresenter(area, items, point);
        return;
    }
    std::shared_ptr<ImportArea> held;
    for (const auto& candidate : m_importAreas) {
        if (candidate.get() == area)
            held = candidate;
    }
    QMenu menu(tr("Labels"), this);
    for (const ImportArea::MenuItem& item : items) {
        QAction* action = menu.addAction(item.title);
        action->setCheckable(true);
        action->setChecked(item.checked);
        connect(action, &QAction::triggered, this, [this, held, title = item.title] {
            held->menuChoice(title);
            // A label chosen from the menu defines the area as a click on a choice does.
            if (m_delegate)
                m_delegate->definedArea(held.get());
        });
    }
    const QPointF inViewport = point - visibleRect().topLeft();
    menu.exec(viewport()->mapToGlobal(inViewport.toPoint()));
}

void RecipeImportView::addArea(std::shared_ptr<ImportArea> area)
{
    if (!area)
        return;
    m_importAreas.append(std::move(area));
    redraw();
}

void RecipeImportView::layoutChoicePopups()
{
    for (const auto& area : m_importAreas) {
        if (!area->isDefined())
            area->drawChoicesPopupIfNeeded(nullptr);
    }
}

void RecipeImportView::clearAreas()
{
    m_importAreas.clear();
    m_targetAreaIndex = NotFound;
    redraw();
}

void RecipeImportView::setSnapToText(bool snap)
{
    m_snapToText = snap;
    for (const auto& area : m_importAreas)
        area->setSnapToText(snap);
}

void RecipeImportView::closeArea(ImportArea* area)
{
    const auto found = std::find_if(m_importAreas.begin(), m_importAreas.end(),
        [area](const std::shared_ptr<ImportArea>& candidate) { return candidate.get() == area; });
    if (found == m_importAreas.end())
        return;
    // Alive until the delegate has heard of it.
    const std::shared_ptr<ImportArea> closing = *found;
    m_importAreas.erase(found);
    m_targetAreaIndex = NotFound;
    if (m_delegate)
        m_delegate->didRemoveArea(closing.get());
    redraw();
}

qsizetype RecipeImportView::importAreaContainingPoint(const QPointF& point) const
{
    // Pop-ups and close boxes win over the body of an area drawn above them.
    for (qsizetype i = m_importAreas.size() - 1; i >= 0; --i) {
        if (m_importAreas.at(i)->flyoutContainsPoint(point))
            return i;
    }
    for (qsizetype i = m_importAreas.size() - 1; i >= 0; --i) {
        if (m_importAreas.at(i)->closeBoxContainsPoint(point))
            return i;
    }
    for (qsizetype i = m_importAreas.size() - 1; i >= 0; --i) {
        if (m_importAreas.at(i)->containsPoint(point))
            return i;
    }
    return NotFound;
}

QRectF RecipeImportView::nonIntersectingImportAreaFrameRectForProposedFrameRect(
    const QRectF& proposed, const QRectF& old, qsizetype excludeIndex) const
{
    std::optional<QRectF> exclude;
    if (excludeIndex >= 0 && excludeIndex < m_importAreas.size())
        exclude = m_importAreas.at(excludeIndex)->frame();
    return nonIntersectingImportAreaFrameRectForProposedFrameRect(proposed, old, exclude);
}

QRectF RecipeImportView::nonIntersectingImportAreaFrameRectForProposedFrameRect(
    const QRectF& proposed, const QRectF& old, std::optional<QRectF> excludeFrame) const
{
    double left = proposed.left();
    double top = proposed.top();
    double right = proposed.right();
    double bottom = proposed.bottom();
    bool fromLeft = false;
    bool fromRight = false;
    bool fromTop = false;
    bool fromBottom = false;
    QRectF candidate = proposed;
    // Each pass moves a limit strictly, so a few passes settle it; the bound only guards.
    for (int pass = 0; pass < 64; ++pass) {
        bool changed = false;
        for (const auto& area : m_importAreas) {
            const QRectF frame = area->frame();
            if (excludeFrame && frame == *excludeFrame)
                continue;
            if (!frame.intersects(candidate))
                continue;
            const QRectF overlap = frame.intersected(candidate);
            // Pushed back only across the side it came through: a frame that already lay beside
            // the other one (their spans on the other axis met) is not pushed along that axis.
            const bool besideAcross = old.top() <= frame.bottom() && old.bottom() >= frame.top();
            const bool besideAlong = old.left() <= frame.right() && old.right() >= frame.left();
            const bool pushAcross = besideAcross || !besideAlong;
            const bool pushAlong = besideAlong || !besideAcross;
            if (pushAcross && proposed.x() < old.x()) {
                if (overlap.right() <= old.left() && overlap.right() > left) {
                    left = overlap.right();
                    fromLeft = changed = true;
                }
            } else if (pushAcross && overlap.left() >= old.right() && overlap.left() < right) {
                right = overlap.left();
                fromRight = changed = true;
            }
            if (pushAlong && proposed.y() < old.y()) {
                if (overlap.bottom() <= old.top() && overlap.bottom() > top) {
                    top = overlap.bottom();
                    fromTop = changed = true;
                }
            } else if (pushAlong && overlap.top() >= old.bottom() && overlap.top() < bottom) {
                bottom = overlap.top();
                fromBottom = changed = true;
            }
        }
        if (!changed)
            break;
        double x0 = proposed.left();
        double x1 = proposed.right();
        if (fromLeft) {
            x0 = left;
            x1 = m_inDrag ? proposed.right() : left + proposed.width();
        } else if (fromRight) {
            x1 = right;
            x0 = std::max(right - proposed.width(), old.left());
        }
        double y0 = proposed.top();
        double y1 = proposed.bottom();
        if (fromTop) {
            y0 = top;
            y1 = m_inDrag ? proposed.bottom() : top + proposed.height();
        } else if (fromBottom) {
            y1 = bottom;
            y0 = std::max(bottom - proposed.height(), old.top());
        }
        candidate = integral(QRectF(QPointF(x0, y0), QPointF(x1, y1)));
    }
    return candidate;
}

int RecipeImportView::sideOfRect(const QRectF& areaRect, QRectF* displayRect, const QSizeF& size) const
{
    QRectF placed;
    int side = 0;
    const QRectF region = visibleRect().adjusted(0, 18, 0, -18).translated(0, 15);
    auto centredVertically = [&] {
        double y = areaRect.center().y() - size.height() / 2.0;
        y = std::min(y, region.bottom() - size.height());
        return std::max(y, region.top());
    };
    const double centredX = areaRect.center().x() - size.width() / 2.0;
    if (areaRect.intersects(region)) {
        const QRectF below(centredX, areaRect.bottom() + 5.0, size.width(), size.height());
        const QRectF above(centredX, areaRect.top() - size.height() - 5.0, size.width(), size.height());
        if (region.height() > size.height() && areaRect.right() + 5.0 + size.width() <= region.right()) {
            side = 1;
            placed = QRectF(areaRect.right() + 5.0, centredVertically(), size.width(), size.height());
        } else if (below.bottom() <= region.bottom() && region.contains(below)) {
            side = 2;
            placed = below;
        } else if (region.contains(above)) {
            side = 3;
            placed = above;
        } else if (region.height() > size.height() && areaRect.left() - 5.0 - size.width() >= region.left()) {
            side = 4;
            placed = QRectF(
                areaRect.left() - size.width() - 5.0, centredVertically(), size.width(), size.height());
        }
    }
    if (displayRect)
        *displayRect = placed;
    return side;
}

void RecipeImportView::formatTextForDisplay(MutableAttributedString& text)
{
    if (text.length() == 0)
        return;
    text.beginEditing();
    // Runs of three or more line ends become two, from the end so earlier offsets hold.
    const QString& string = text.string();
    for (qsizetype end = string.size(); end > 0;) {
        const qsizetype start = string.lastIndexOf(QStringLiteral("\n\n\n"), end - 3);
        if (start < 0)
            break;
        qsizetype runStart = start;
        while (runStart > 0 && string.at(runStart - 1) == u'\n')
            --runStart;
        qsizetype runEnd = start + 3;
        while (runEnd < string.size() && string.at(runEnd) == u'\n')
            ++runEnd;
        text.deleteCharactersInRange({ runStart + 2, runEnd - runStart - 2 });
        end = runStart;
    }
    const Range whole { 0, text.length() };
    QList<std::pair<Range, ParagraphStyle>> paragraphs;
    text.enumerateAttribute(
        NSParagraphStyleAttributeName, whole, [&](const QVariant& value, Range range, bool&) {
            if (range.length <= 1)
                return;
            ParagraphStyle style = value.canConvert<ParagraphStyle>()
                ? value.value<ParagraphStyle>()
                : ParagraphStyle::defaultParagraphStyle();
            style.paragraphSpacing += style.paragraphSpacing > 6.0 ? 2.0 : 6.0;
            paragraphs.append({ range, style });
        });
    for (const auto& [range, style] : paragraphs)
        text.addAttribute(NSParagraphStyleAttributeName, QVariant::fromValue(style), range);
    QList<std::pair<Range, QFont>> fonts;
    text.enumerateAttribute(NSFontAttributeName, whole, [&](const QVariant& value, Range range, bool&) {
        if (!value.canConvert<QFont>())
            return;
        QFont font = value.value<QFont>();
        if (font.pointSizeF() > 0 && font.pointSizeF() < 12.0) {
            font.setPointSizeF(12.0);
            fonts.append({ range, font });
        }
    });
    for (const auto& [range, font] : fonts)
        text.addAttribute(NSFontAttributeName, QVariant::fromValue(font), range);
    text.endEditing();
}

QPointF RecipeImportView::clampedToVisible(const QPointF& point) const
{
    const QRectF visible = visibleRect();
    return QPointF(std::clamp(point.x(), visible.left(), std::max(visible.left(), visible.right())),
        std::clamp(point.y(), visible.top(), std::max(visible.top(), visible.bottom())));
}

void RecipeImportView::mouseDownAtPoint(const QPointF& point)
{
    m_targetAreaIndex = importAreaContainingPoint(point);
    if (m_targetAreaIndex == NotFound) {
        m_dragOrigin = point;
        m_dragRect = QRectF(point, QSizeF(0, 0));
        m_willDrag = true;
        return;
    }
    const std::shared_ptr<ImportArea> area = m_importAreas.at(m_targetAreaIndex);
    const QRectF frame = area->frame();
    switch (area->eventTypeForMouseDownAtPoint(point)) {
    case ImportArea::ChoiceEvent:
        m_willClick = true;
        redraw();
        break;
    case ImportArea::MoveEvent:
        m_moveOffset = point - frame.topLeft();
        m_willMove = true;
        break;
    case ImportArea::ResizeEvent:
        m_resizeOffset = QSizeF(frame.right() - point.x(), frame.bottom() - point.y());
        m_willResize = true;
        break;
    case ImportArea::CloseEvent:
        m_willClose = true;
        area->setCloseBoxPressed(true);
        redraw();
        break;
    case ImportArea::MenuEvent:
        popUpLabelsMenu(area.get(), point);
        break;
    case ImportArea::NoEvent:
        break;
    }
}

void RecipeImportView::mouseDraggedToPoint(const QPointF& rawPoint)
{
    if (m_willDrag) {
        m_willDrag = false;
        m_inDrag = true;
    }
    if (m_willMove) {
        m_willMove = false;
        m_inMove = true;
    }
    if (m_willResize) {
        m_willResize = false;
        m_inResize = true;
    }
    const bool tracking = m_inDrag || m_inMove || m_inResize;
    const QPointF point = tracking ? clampedToVisible(rawPoint) : rawPoint;
    ImportArea* area = m_targetAreaIndex >= 0 && m_targetAreaIndex < m_importAreas.size()
        ? m_importAreas.at(m_targetAreaIndex).get()
        : nullptr;

    if (m_inDrag) {
        const QRectF proposed(std::min(m_dragOrigin.x(), point.x()), std::min(m_dragOrigin.y(), point.y()),
            std::abs(point.x() - m_dragOrigin.x()), std::abs(point.y() - m_dragOrigin.y()));
        m_dragRect
            = nonIntersectingImportAreaFrameRectForProposedFrameRect(proposed, m_dragRect, std::nullopt);
    } else if (area && m_willClose) {
        area->setCloseBoxPressed(area->closeBoxContainsPoint(point));
    } else if (area && m_willClick) {
        area->mouseMovedToPoint(point);
    } else if (area && m_inMove) {
        const QRectF frame = area->frame();
        const QRectF proposed(point - m_moveOffset, frame.size());
        area->setFrame(
            nonIntersectingImportAreaFrameRectForProposedFrameRect(proposed, frame, m_targetAreaIndex),
            false);
    } else if (area && m_inResize) {
        const QRectF frame = area->frame();
        QPointF corner = clampedToVisible(point + QPointF(m_resizeOffset.width(), m_resizeOffset.height()));
        corner.setX(std::max(corner.x(), frame.left() + kMinimumResizeWidth));
        corner.setY(std::max(corner.y(), frame.top() + kMinimumResizeHeight));
        const QRectF proposed(frame.topLeft(), corner);
        area->setFrame(
            nonIntersectingImportAreaFrameRectForProposedFrameRect(proposed, frame, m_targetAreaIndex));
    }

    // Past the visible text the view scrolls along.
    if (tracking && !m_fixedVisibleRect) {
        const QRectF visible = visibleRect();
        if (rawPoint.y() > visible.bottom())
            verticalScrollBar()->setValue(
                verticalScrollBar()->value() + int(rawPoint.y() - visible.bottom()));
        else if (rawPoint.y() < visible.top())
            verticalScrollBar()->setValue(verticalScrollBar()->value() - int(visible.top() - rawPoint.y()));
    }
    redraw();
}

void RecipeImportView::mouseUpAtPoint(const QPointF& point)
{
    std::shared_ptr<ImportArea> area = m_targetAreaIndex >= 0 && m_targetAreaIndex < m_importAreas.size()
        ? m_importAreas.at(m_targetAreaIndex)
        : nullptr;
    if (m_inDrag) {
        QRectF rect = m_dragRect;
        rect.setWidth(std::max(rect.width(), kMinimumNewAreaWidth));
        rect.setHeight(std::max(rect.height(), kMinimumNewAreaHeight));
        const std::shared_ptr<ImportArea> added
            = ImportArea::areaWithFrame(integral(rect), m_snapToText, this);
        m_importAreas.append(added);
        layoutChoicePopups();
        if (m_delegate)
            m_delegate->didAddArea(added.get());
    } else if (area && (m_inMove || m_inResize)) {
        area->setFrame(area->frame());
    } else if (area && m_willClick) {
        area->mouseUpAtPoint(point);
        if (m_delegate)
            m_delegate->definedArea(area.get());
    } else if (area && m_willClose) {
        area->setCloseBoxPressed(false);
        if (area->closeBoxContainsPoint(point)) {
            // The task holds the area, so it lives until the close runs, whatever happens first.
            QPointer<RecipeImportView> view(this);
            RunLoop::postAfterDelay(kCloseDelay, [view, area] {
                if (view)
                    view->closeArea(area.get());
            });
        }
    }
    m_willResize = m_willDrag = m_willMove = m_willClose = m_willClick = false;
    m_inDrag = m_inMove = m_inResize = false;
    m_dragRect = QRectF();
    m_targetAreaIndex = NotFound;
    redraw();
}

void RecipeImportView::paste()
{
    insertFromMimeData(QApplication::clipboard()->mimeData());
}

bool RecipeImportView::canInsertFromMimeData(const QMimeData* source) const
{
    return source
        && (source->hasText() || source->hasHtml() || source->hasFormat(QStringLiteral("text/rtf")));
}

void RecipeImportView::insertFromMimeData(const QMimeData* source)
{
    if (!source)
        return;
    if (m_delegate && m_delegate->readPasteboardData(source, true))
        return;
    QTextEdit::insertFromMimeData(source);
}

void RecipeImportView::redraw()
{
    viewport()->update();
}

QPointF RecipeImportView::documentPoint(const QPointF& viewportPoint) const
{
    return viewportPoint + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void RecipeImportView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QPointer<RecipeImportView> view(this);
        RunLoop::postAfterDelay(0.0, [view] {
            if (view && view->m_delegate)
                view->m_delegate->importViewDidReceiveReturnCharacter(view);
        });
    }
    QTextEdit::keyPressEvent(event);
}

void RecipeImportView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QTextEdit::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    mouseDownAtPoint(documentPoint(event->position()));
}

void RecipeImportView::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void RecipeImportView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) {
        QTextEdit::mouseMoveEvent(event);
        return;
    }
    mouseDraggedToPoint(documentPoint(event->position()));
}

void RecipeImportView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QTextEdit::mouseReleaseEvent(event);
        return;
    }
    mouseUpAtPoint(documentPoint(event->position()));
}

void RecipeImportView::paintEvent(QPaintEvent* event)
{
    QTextEdit::paintEvent(event);
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF visible = visibleRect();
    painter.translate(-visible.topLeft());
    if (m_inDrag) {
        QPainterPath drag;
        drag.addRoundedRect(m_dragRect, ImportArea::kCornerRadius, ImportArea::kCornerRadius);
        painter.fillPath(drag, QColor(128, 128, 128, 128));
        painter.setPen(QPen(Qt::darkGray, 1.0));
        painter.drawPath(drag);
    }
    for (const auto& area : m_importAreas)
        area->draw(painter);
    for (const auto& area : m_importAreas)
        area->drawCloseBox(painter);
    for (const auto& area : m_importAreas) {
        if (!area->isDefined())
            area->drawChoicesPopupIfNeeded(&painter);
    }
    // A soft shadow along the visible bottom edge.
    QLinearGradient shadow(0, visible.bottom() - 10, 0, visible.bottom());
    shadow.setColorAt(0, QColor(0, 0, 0, 0));
    shadow.setColorAt(1, QColor(0, 0, 0, 40));
    painter.fillRect(QRectF(visible.left(), visible.bottom() - 10, visible.width(), 10), shadow);
}
