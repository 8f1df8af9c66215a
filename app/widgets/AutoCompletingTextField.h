#pragma once

#include "AutoCompletion.h"

#include <QLineEdit>

// A text field that, a moment after the user stops typing, completes the text inline with its
// provider's answer and selects the part not typed; deleting never brings a completion back at
// once. Used by the substitution boxes and the add-ingredient sheet.
class AutoCompletingTextField : public QLineEdit
{
    Q_OBJECT

public:
    explicit AutoCompletingTextField(QWidget* parent = nullptr);

    // The delegate's completionForPartialString: the full completion for the text, or nothing.
    void setCompletionProvider(AutoCompletion::Provider provider);
    double autocompleteDelay() const { return m_completion.autocompleteDelay(); }
    void setAutocompleteDelay(double seconds) { m_completion.setAutocompleteDelay(seconds); }
    const AutoCompletion& completion() const { return m_completion; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // The selection (or cursor) just before a key changed the text: where the edit happened.
    struct EditPlace {
        int start = -1;
        int length = 0;
    };
    void reportEdit(const QString& before, const QString& after);

    EditPlace m_editPlace;
    QString m_lastText;
    QString m_previousText;
    AutoCompletion m_completion;
};
