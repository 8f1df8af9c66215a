#include "SVSearchFieldView.h"

#include "Log.h"
#include "SVSearchField.h"
#include "SearchController.h"
#include "SearchSplitView.h"
#include "SearchView.h"

#include <QCheckBox>
#include <QFrame>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace
{

constexpr int kMargin = 8;
constexpr int kFieldTop = 5;
constexpr int kFieldHeight = 23;
constexpr int kButtonSize = 22;

} // namespace

SVSearchFieldView::SVSearchFieldView(SearchController* controller, QWidget* parent)
    : QWidget(parent)
    , m_searchController(controller)
    , m_searchField(new SVSearchField(this))
    , m_addButton(new QToolButton(this))
    , m_removeButton(new QToolButton(this))
    , m_menuTemplate(new QMenu(this))
    , m_searchTerm(SearchTerm::searchTermWithSearchString(QString(), true))
{
    setObjectName(QStringLiteral("searchFieldView"));
    resize(300, int(kHeight));
    m_addButton->setText(QStringLiteral("+"));
    m_addButton->setToolTip(tr("Add a search field"));
    m_addButton->setAutoRaise(true);
    m_removeButton->setText(QStringLiteral("\u2212"));
    m_removeButton->setToolTip(tr("Remove this search field"));
    m_removeButton->setAutoRaise(true);
    connect(m_addButton, &QToolButton::clicked, this, [this] {
        if (m_searchController)
            m_searchController->addSearchField();
    });
    connect(m_removeButton, &QToolButton::clicked, this, [this] {
        if (m_searchController)
            m_searchController->removeSearchField(m_removeButton);
    });
    buildSearchMenuTemplate();
    // Every change of the text is handed on; the controller waits for the typing to stop.
    connect(m_searchField, &QLineEdit::textEdited, this, [this] { search(); });
    connect(m_searchField, &QLineEdit::returnPressed, this, [this] { search(); });
    connect(m_searchField, &SVSearchField::recentSearchChosen, this, [this] { search(); });
    layoutChildren();
}

SVSearchFieldView::~SVSearchFieldView()
{
    if (m_searchTerm && m_termObserver)
        m_searchTerm->removeObserver(m_termObserver);
}

void SVSearchFieldView::buildSearchMenuTemplate()
{
    m_menuTemplate->setTitle(tr("Search Field PopUp Menu"));
    auto add = [this](const QString& title, int tag) {
        QAction* item = m_menuTemplate->addAction(title);
        item->setData(tag);
        item->setChecked(false);
    };
    add(tr("Recent Searches"), SVSearchField::RecentsTitleMenuItemTag);
    add(tr("Item"), SVSearchField::RecentsMenuItemTag);
    m_menuTemplate->addSeparator()->setData(int(SVSearchField::RecentsTitleMenuItemTag));
    add(tr("Clear Recent Searches"), SVSearchField::ClearRecentsMenuItemTag);
    add(tr("No Recent Searches"), SVSearchField::NoRecentsMenuItemTag);
    m_searchField->setSearchMenuTemplate(m_menuTemplate);
}

SearchView* SVSearchFieldView::searchView() const
{
    return qobject_cast<SearchView*>(parentWidget());
}

// ---- the term ----

std::shared_ptr<SearchTerm> SVSearchFieldView::searchTerm() const
{
    const SearchView* stack = searchView();
    if (!stack || !stack->isRowVisible(this)) {
        std::shared_ptr<SearchTerm> hidden = m_searchTerm->copy();
        hidden->setSearchString(QStringLiteral(""));
        return hidden;
    }
    return m_searchTerm;
}

void SVSearchFieldView::setSearchTerm(const std::shared_ptr<SearchTerm>& term)
{
    if (!term) {
        Log::log(QStringLiteral("Trying to set a non search term object as a search term."));
        return;
    }
    if (m_searchTerm && m_termObserver)
        m_searchTerm->removeObserver(m_termObserver);
    m_termObserver = 0;
    m_searchTerm = term;
    if (m_substitutionCheckBox) {
        m_substitutionCheckBox->setChecked(term->searchSubstitutions());
        m_termObserver = term->addObserver([this](const QString& key) {
            if (key == QLatin1String("searchSubstitutions") && m_substitutionCheckBox)
                m_substitutionCheckBox->setChecked(m_searchTerm->searchSubstitutions());
        });
    }
    if (!term->searchString().isNull())
        m_searchField->setText(term->searchString());
}

void SVSearchFieldView::clearSearchField()
{
    m_searchField->setText(QStringLiteral(""));
    m_searchTerm->setSearchString(QString());
}

void SVSearchFieldView::search()
{
    m_currentSearchString = m_searchField->text();
    m_searchTerm->setSearchString(m_currentSearchString);
    if (m_searchTerm->hasIngredientNameInSearchString())
        revealSubstitutionCheckbox();
    else
        closeSubstitutionCheckbox();
    if (m_searchController)
        m_searchController->search(this);
}

// ---- the check box ----

double SVSearchFieldView::revealGrowth(double rowHeight)
{
    return std::ceil(kHolderHeight - rowHeight / 2.0);
}

void SVSearchFieldView::buildSubstitutionSubview()
{
    m_substitutionSubview = new QFrame(this);
    m_substitutionSubview->setObjectName(QStringLiteral("substitutionSubview"));
    m_substitutionSubview->setFrameShape(QFrame::NoFrame);
    m_substitutionCheckBox = new QCheckBox(tr("Search Substitutions"), m_substitutionSubview);
    m_substitutionCheckBox->setChecked(true);
    m_searchTerm->setSearchSubstitutions(m_substitutionCheckBox->isChecked());
    connect(m_substitutionCheckBox, &QCheckBox::toggled, this, [this](bool checked) {
        if (m_searchTerm->searchSubstitutions() == checked)
            return;
        m_searchTerm->setSearchSubstitutions(checked);
        search();
    });
    m_termObserver = m_searchTerm->addObserver([this](const QString& key) {
        if (key == QLatin1String("searchSubstitutions") && m_substitutionCheckBox)
            m_substitutionCheckBox->setChecked(m_searchTerm->searchSubstitutions());
    });
    // Behind the field: the holder reaches up under it.
    m_substitutionSubview->lower();
}

void SVSearchFieldView::revealSubstitutionCheckbox()
{
    if (m_substitutionCheckBoxRevealed)
        return;
    if (!m_substitutionSubview)
        buildSubstitutionSubview();
    m_substitutionSubview->show();
    m_substitutionCheckBoxRevealed = true;
    const double growth = revealGrowth(kHeight);
    SearchView* stack = searchView();
    SearchSplitView* split = m_searchController ? m_searchController->splitView() : nullptr;
    // The stack's pane grows with the row as far as the split view allows.
    m_paneGain = split ? std::clamp(split->maximumTopHeight() - split->topHeight(), 0.0, growth) : 0.0;
    layoutChildren();
    if (!stack) {
        setRowHeight(kHeight + growth);
        resize(width(), int(kHeight + growth));
        return;
    }
    stack->animateRow(this, kHeight + growth, m_paneGain, kRevealDuration);
}

void SVSearchFieldView::closeSubstitutionCheckbox()
{
    if (!m_substitutionCheckBoxRevealed)
        return;
    m_substitutionCheckBoxRevealed = false;
    SearchView* stack = searchView();
    const double gain = std::exchange(m_paneGain, 0.0);
    QPointer<SVSearchFieldView> self = this;
    auto hide = [self] {
        if (self && !self->m_substitutionCheckBoxRevealed && self->m_substitutionSubview)
            self->m_substitutionSubview->hide();
    };
    if (!stack) {
        setRowHeight(kHeight);
        resize(width(), int(kHeight));
        hide();
        return;
    }
    stack->animateRow(this, kHeight, -gain, kCloseDuration, hide);
}

void SVSearchFieldView::closeSubstitutionCheckboxWithoutAnimation()
{
    if (!m_substitutionCheckBoxRevealed)
        return;
    m_substitutionCheckBoxRevealed = false;
    m_paneGain = 0.0;
    if (m_substitutionSubview)
        m_substitutionSubview->hide();
    setRowHeight(kHeight);
    resize(width(), int(kHeight));
    if (SearchView* stack = searchView())
        stack->layoutRows();
}

// ---- drawing and layout ----

void SVSearchFieldView::setButtonsEnabled(bool canAdd, bool canRemove)
{
    m_addButton->setEnabled(canAdd);
    m_removeButton->setEnabled(canRemove);
}

void SVSearchFieldView::layoutChildren()
{
    const int w = width();
    const int buttons = 2 * kButtonSize + 4;
    const int fieldWidth = std::max(40, w - 2 * kMargin - buttons);
    m_searchField->setGeometry(kMargin, kFieldTop, fieldWidth, kFieldHeight);
    m_addButton->setGeometry(kMargin + fieldWidth + 4, kFieldTop, kButtonSize, kButtonSize);
    m_removeButton->setGeometry(kMargin + fieldWidth + 4 + kButtonSize, kFieldTop, kButtonSize, kButtonSize);
    if (m_substitutionSubview) {
        // Under the field, 9 points in from its left edge, reaching up behind it.
        const double end = kHeight + revealGrowth(kHeight);
        const int top = int(end - kHolderHeight);
        const int left = kMargin + int(kHolderLeftInset);
        m_substitutionSubview->setGeometry(left, top, std::max(0, w - left - kMargin), int(kHolderHeight));
        m_substitutionCheckBox->setGeometry(int(kCheckBoxLeftInset), int(kHolderHeight - kCheckBoxHeight - 3),
            std::max(0, w - left - kMargin - 10), int(kCheckBoxHeight));
    }
}

void SVSearchFieldView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
}

void SVSearchFieldView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QColor(Qt::darkGray));
    painter.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));
}
