#pragma once

#include "postForm.h"

#include <QDialog>
#include <QPointer>
#include <QTextDocumentFragment>
#include <array>

class Presenter;
class QCheckBox;
class QComboBox;
class QNetworkAccessManager;
class QNetworkReply;
class QProgressBar;
class QPushButton;
class QTabBar;
class QTextEdit;

// User default (and program setting) holding the address the feedback form posts to.
inline const QString JRFeedbackURL = QStringLiteral("JRFeedbackURL");

// The feedback form: a bug report, a feature request or a support question, each kind with its
// own text kept while the user switches between them, the user's e-mail address and the system
// profile when the user allows them, sent as one multipart/form-data POST. Only a 2xx reply
// counts as sent and closes the form; otherwise the form says why and keeps the text. One form
// at a time; closing it forgets it, so the next one starts afresh. Main thread only; the system
// profile is read on a thread of its own.
class JRFeedbackController : public QDialog
{
    Q_OBJECT

public:
    enum Section { Bug, Feature, Support };
    static inline const QString separator = QStringLiteral("\n\n--\n\n");
    static inline const QString bundleIdentifier = QStringLiteral("org.kitchora.Kitchora");

    // Shows the form, made when none is open; alerts go through `presenter`, which must outlive
    // the form.
    static JRFeedbackController* showFeedback(Presenter& presenter);
    // The open form, or nullptr.
    static JRFeedbackController* sharedController();

    // The kind names sent as "feedbackType".
    static QString feedbackType(int section);
    // The template's text cut at the separators into the three sections' texts.
    static std::array<QString, 3> sectionsOfTemplate(const QString& text);

    int currentSection() const { return m_currentSection; }
    QTextEdit* textView() const { return m_textView; }
    QTabBar* sectionControl() const { return m_sectionControl; }
    QCheckBox* includeHardwareDetailsCheckbox() const { return m_includeHardwareDetailsCheckbox; }
    QCheckBox* includeEmailAddressCheckbox() const { return m_includeEmailAddressCheckbox; }
    QComboBox* emailAddressComboBox() const { return m_emailAddressComboBox; }
    QPushButton* submitButton() const { return m_submitButton; }
    bool isSending() const { return m_sending; }

    void switchSectionAction(int section);
    void submitAction();
    void cancelAction();
    // Sends the form with the system profile text (or its suppression).
    void postFeedback(const QString& systemProfile);
    // The form fields for the current section.
    postForm::Fields formFields(const QString& systemProfile) const;
    // The user default, else the program's setting; empty when neither is set.
    static QUrl feedbackURL();
    void closeFeedback();
    // Escape closes the form as Cancel does.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit JRFeedbackController(Presenter& presenter, QWidget* parent = nullptr);
    void windowDidLoad();
    void showSection(int section);
    void storeCurrentSection();
    void finishSending(bool sent, const QString& problem);
    void replyFinished(QNetworkReply* reply);

    static QPointer<JRFeedbackController> s_shared;

    Presenter& m_presenter;
    QTextEdit* m_textView = nullptr;
    QTabBar* m_sectionControl = nullptr;
    QCheckBox* m_includeHardwareDetailsCheckbox = nullptr;
    QCheckBox* m_includeEmailAddressCheckbox = nullptr;
    QComboBox* m_emailAddressComboBox = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_submitButton = nullptr;
    std::array<QTextDocumentFragment, 3> m_sectionStrings;
    int m_currentSection = Bug;
    bool m_sending = false;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
};
