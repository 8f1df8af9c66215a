#pragma once

#include "RunLoop.h"

#include <QString>
#include <functional>
#include <optional>

// Delayed inline completion of a text field, apart from the widget: the field reports each edit
// and each change of its text; after the delay (on the run loop) the completion provider's answer
// replaces the text and the untyped tail is selected. No completion follows a deletion.
// Main thread only.
class AutoCompletion
{
public:
    // The full completion for the typed text, or nothing.
    using Provider = std::function<std::optional<QString>(const QString& text)>;
    struct Proposal {
        QString text;
        int selectionStart = 0; // the selection runs from here to the end of `text`
    };
    // Applies a proposal to the field.
    using Apply = std::function<void(const Proposal& proposal)>;
    // Reads the field's text when the delay is over.
    using Text = std::function<QString()>;

    static constexpr double kDefaultDelay = 0.25;

    AutoCompletion(Text text, Apply apply);
    ~AutoCompletion(); // cancels a pending completion
    AutoCompletion(const AutoCompletion&) = delete;
    AutoCompletion& operator=(const AutoCompletion&) = delete;

    void setProvider(Provider provider) { m_provider = std::move(provider); }
    double autocompleteDelay() const { return m_delay; }
    void setAutocompleteDelay(double seconds) { m_delay = seconds; }

    // An edit of the text: `replacement` replaces `length` characters at `start`.
    void shouldChangeText(int start, int length, const QString& replacement);
    // The same, found by comparing the texts before and after the edit.
    void textEdited(const QString& before, const QString& after);
    // The text changed: (re)schedules the completion after the delay.
    void textDidChange();
    // The completion itself; nothing after a deletion (which it forgets).
    std::optional<Proposal> autocomplete();

    bool deletedText() const { return m_deletedText; }
    bool isPending() const { return m_pending != 0; }

private:
    void cancel();

    Text m_text;
    Apply m_apply;
    Provider m_provider;
    double m_delay = kDefaultDelay;
    bool m_deletedText = false;
    // Where the typed text lies inside the last proposal; start -1 while there is none.
    int m_userStart = -1;
    int m_userLength = 0;
    RunLoop::Token m_pending = 0;
};
