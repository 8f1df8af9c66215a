// The controller's speech: what it says and how the text is made speakable, and the spoken commands.
#include "RVFullScreenController.h"
#include "RegexAdditions.h"
#include "RegexKitAdditions.h"
#include "SpeechRecognizer.h"
#include "SpeechSynthesizer.h"

#include <QCoreApplication>

namespace
{

QString localized(const char* text)
{
    return QCoreApplication::translate("RVFullScreenController", text);
}

// The word of a fraction's denominator ("quarter", "sixteenths"): every denominator is spoken, so
// "1/16 tsp" never shrinks to "1 tsp".
QString denominatorWord(int denominator, bool plural)
{
    static const char* const singular[] = { nullptr, nullptr, "half", "third", "quarter", "fifth", "sixth",
        "seventh", "eighth", "ninth", "tenth", "eleventh", "twelfth", "thirteenth", "fourteenth", "fifteenth",
        "sixteenth", "seventeenth", "eighteenth", "nineteenth", "twentieth" };
    static const char* const plurals[]
        = { nullptr, nullptr, "halves", "thirds", "quarters", "fifths", "sixths", "sevenths", "eighths",
              "ninths", "tenths", "elevenths", "twelfths", "thirteenths", "fourteenths", "fifteenths",
              "sixteenths", "seventeenths", "eighteenths", "nineteenths", "twentieths" };
    if (denominator >= 2 && denominator <= 20)
        return localized(plural ? plurals[denominator] : singular[denominator]);
    // "over 32", "over 0": said as written rather than left out.
    return localized("over %1").arg(denominator);
}

} // namespace

QString RVFullScreenController::formattedStringForSpeaking(const QString& text)
{
    using namespace RegexKitAdditions;
    QString spoken = text + u'\n';
    // "350°F" is 350 degrees, the scale unsaid; in "350° for" the f starts a word and stays.
    const QString degrees = RegexAdditions::escapedReferenceString(localized(" degrees"));
    matchReplaceWithString(spoken, QStringLiteral("\u00B0 ?[FCfc]\\b"), RKReplaceAll, degrees);
    matchReplaceWithString(spoken, QStringLiteral("\u00B0"), RKReplaceAll, degrees);
    matchReplaceWithFormat(spoken, QStringLiteral("(\\d+) ?x ?(\\d+)"), RKReplaceAll,
        QStringLiteral("$1 %1 $2"), { RegexAdditions::escapedReferenceString(localized("by")) });

    const QString matched = spoken;
    RKEnumerator fractions
        = matchEnumeratorWithRegex(matched, QStringLiteral("(?:( [aA] )?|(\\d+ )?)(\\d+) ?\\/ ?(\\d+)"));
    for (QList<Range> ranges = fractions.nextRanges(); !ranges.isEmpty(); ranges = fractions.nextRanges()) {
        const auto capture = [&](int i) {
            const Range r = ranges.value(i, Range { Range::NotFound, 0 });
            return r.location == Range::NotFound ? QString() : matched.mid(r.location, r.length);
        };
        const QString article = capture(1);
        const QString whole = capture(2);
        const int numerator = capture(3).toInt();
        const int denominator = capture(4).toInt();
        QString replacement = article;
        if (!whole.isEmpty())
            replacement += whole + (numerator < 2 ? localized("and a") : localized("and ")) + u' ';
        if ((article.isEmpty() && whole.isEmpty()) || (!whole.isEmpty() && numerator >= 2))
            replacement += QString::number(numerator) + u' ';
        replacement += denominatorWord(denominator, numerator >= 2);
        const QString all = capture(0);
        const qsizetype at = spoken.indexOf(all);
        if (at >= 0)
            spoken.replace(at, all.size(), replacement);
    }
    return spoken;
}

QStringList RVFullScreenController::speechCommands()
{
    return { QStringLiteral("Next Direction"), QStringLiteral("Previous Direction"), QStringLiteral("Play"),
        QStringLiteral("Play Recipe"), QStringLiteral("Pause"), QStringLiteral("Stop"),
        QStringLiteral("Exit Fullscreen"), QStringLiteral("Read Ingredients"),
        QStringLiteral("Stop Listening"), QStringLiteral("Start Speaking"), QStringLiteral("Stop Speaking") };
}

void RVFullScreenController::speakText(const QString& text)
{
    if (text.isEmpty() || !m_synthesizer)
        return;
    m_synthesizer->startSpeakingString(formattedStringForSpeaking(text));
}

void RVFullScreenController::speakDirection(qsizetype index)
{
    // A recipe without directions, or an index past them, says nothing.
    if (index < 0 || index >= m_recipe.directions.size())
        return;
    speakText(m_recipe.directions.at(index));
}

void RVFullScreenController::speakIngredients()
{
    speakText(m_recipe.ingredients.join(QStringLiteral("\n\n")));
}

void RVFullScreenController::setupSpeech()
{
    if (m_recognizer)
        return;
    m_recognizer = m_outlets.makeSpeechRecognizer();
    if (!m_recognizer)
        return;
    m_recognizer->setCommandHandler(
        [this](const QString& command) { speechRecognizerDidRecognizeCommand(command); });
    m_recognizer->setBlocksOtherRecognizers(true);
    m_recognizer->setListensInForegroundOnly(true);
    m_recognizer->setCommands(speechCommands());
}

void RVFullScreenController::setInListeningMode(bool listening)
{
    if (listening == m_inListeningMode)
        return;
    if (listening) {
        setupSpeech();
        if (m_recognizer)
            m_recognizer->startListening();
    } else if (m_recognizer) {
        m_recognizer->stopListening();
    }
    m_inListeningMode = listening;
    updateOverlay();
}

void RVFullScreenController::listen(Sender)
{
    setInListeningMode(!m_inListeningMode);
}

void RVFullScreenController::speak(Sender)
{
    m_inSpeakingMode = !m_inSpeakingMode;
    if (m_inSpeakingMode) {
        const int index = currentDirectionIndex();
        perform(0.5, [this, index] { speakDirection(index); });
    } else if (m_synthesizer) {
        m_synthesizer->stopSpeakingAtBoundary(SpeechSynthesizer::Boundary::Word);
    }
    updateOverlay();
}

void RVFullScreenController::speechRecognizerDidRecognizeCommand(const QString& command)
{
    if (command == QStringLiteral("Next Direction")) {
        nextStep(Sender::None);
    } else if (command == QStringLiteral("Previous Direction")) {
        previousStep(Sender::None);
    } else if (command == QStringLiteral("Pause") || command == QStringLiteral("Stop")) {
        pause(Sender::Controller);
    } else if (command == QStringLiteral("Play") || command == QStringLiteral("Play Recipe")) {
        play(Sender::Controller);
    } else if (command == QStringLiteral("Exit Fullscreen")) {
        exitFullScreen(Sender::Controller);
    } else if (command == QStringLiteral("Read Ingredients")) {
        speakIngredients();
    } else if (command == QStringLiteral("Stop Listening")) {
        listen(Sender::Controller);
    } else if (command == QStringLiteral("Stop Speaking")) {
        if (m_inSpeakingMode)
            speak(Sender::Controller);
    } else if (command == QStringLiteral("Start Speaking")) {
        if (!m_inSpeakingMode)
            speak(Sender::Controller);
    } else if (m_synthesizer) {
        m_synthesizer->startSpeakingString(localized("Unrecognized Command, %1").arg(command));
    }
}
