#include "AutoCompletingTextField.h"

AutoCompletingTextField::AutoCompletingTextField(QWidget* parent)
    : QLineEdit(parent)
    , m_completion([this] { return text(); },
          [this](const AutoCompletion::Proposal& proposal) {
              setText(proposal.text);
              setSelection(proposal.selectionStart, int(proposal.text.size()) - proposal.selectionStart);
          })
{
    // Only the user's edits count; text set in code (a proposal) does not.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& now) {
        m_previousText = m_lastText;
        m_lastText = now;
    });
    connect(this, &QLineEdit::textEdited, this, [this](const QString& now) {
        // textChanged may come first and has then already taken the new text.
        reportEdit(m_lastText == now ? m_previousText : m_lastText, now);
        m_completion.textDidChange();
    });
}

void AutoCompletingTextField::setCompletionProvider(AutoCompletion::Provider provider)
{
    m_completion.setProvider(std::move(provider));
}

void AutoCompletingTextField::reportEdit(const QString& before, const QString& after)
{
    // Typing replaces the selection; comparing texts alone could not tell "Butter" -> "But"
    // typed over "tter" from a deletion of "ter".
    const int inserted = int(after.size() - before.size()) + m_editPlace.length;
    if (m_editPlace.start >= 0 && inserted >= 0 && m_editPlace.start + inserted <= after.size()
        && after.left(m_editPlace.start) == before.left(m_editPlace.start)) {
        m_completion.shouldChangeText(
            m_editPlace.start, m_editPlace.length, after.mid(m_editPlace.start, inserted));
        return;
    }
    m_completion.textEdited(before, after);
}

void AutoCompletingTextField::keyPressEvent(QKeyEvent* event)
{
    m_editPlace = hasSelectedText() ? EditPlace { selectionStart(), int(selectedText().size()) }
                                    : EditPlace { cursorPosition(), 0 };
    QLineEdit::keyPressEvent(event);
    m_editPlace = {};
}

void AutoCompletingTextField::inputMethodEvent(QInputMethodEvent* event)
{
    m_editPlace = hasSelectedText() ? EditPlace { selectionStart(), int(selectedText().size()) }
                                    : EditPlace { cursorPosition(), 0 };
    QLineEdit::inputMethodEvent(event);
    m_editPlace = {};
}
