#include "AutoCompletion.h"

#include "IsEmpty.h"

AutoCompletion::AutoCompletion(Text text, Apply apply)
    : m_text(std::move(text))
    , m_apply(std::move(apply))
{
}

AutoCompletion::~AutoCompletion()
{
    cancel();
}

void AutoCompletion::cancel()
{
    if (m_pending)
        RunLoop::cancel(m_pending);
    m_pending = 0;
}

void AutoCompletion::shouldChangeText(int start, int length, const QString& replacement)
{
    m_deletedText = replacement.size() <= length;
    // Typing over the proposed tail continues what the user typed.
    if (!replacement.isEmpty() && m_userStart >= 0 && start == m_userStart + m_userLength)
        m_deletedText = false;
}

void AutoCompletion::textEdited(const QString& before, const QString& after)
{
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(before.size(), after.size());
    while (prefix < shorter && before.at(prefix) == after.at(prefix))
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix
        && before.at(before.size() - 1 - suffix) == after.at(after.size() - 1 - suffix))
        ++suffix;
    shouldChangeText(
        int(prefix), int(before.size() - prefix - suffix), after.mid(prefix, after.size() - prefix - suffix));
}

void AutoCompletion::textDidChange()
{
    cancel();
    m_pending = RunLoop::postAfterDelay(m_delay, [this] {
        m_pending = 0;
        if (const std::optional<Proposal> proposal = autocomplete(); proposal && m_apply)
            m_apply(*proposal);
    });
}

std::optional<AutoCompletion::Proposal> AutoCompletion::autocomplete()
{
    if (m_deletedText) {
        m_deletedText = false;
        return std::nullopt;
    }
    if (!m_provider || !m_text)
        return std::nullopt;
    const QString text = m_text();
    const std::optional<QString> completion = m_provider(text);
    if (!completion || isEmpty(*completion) || *completion == text)
        return std::nullopt;
    const qsizetype found = completion->indexOf(text, 0, Qt::CaseInsensitive);
    m_userStart = int(found);
    m_userLength = found >= 0 ? int(text.size()) : 0;
    return Proposal { *completion, found >= 0 ? int(found + text.size()) : 0 };
}
