#include "QtSpeechSynthesizer.h"

#include "Log.h"

QString QtSpeechSynthesizer::defaultEngine()
{
    const QStringList engines = QTextToSpeech::availableEngines();
    return engines.contains(QStringLiteral("flite")) ? QStringLiteral("flite") : QString();
}

QtSpeechSynthesizer::QtSpeechSynthesizer(QObject* parent)
    : QObject(parent)
{
    const QString engine = defaultEngine();
    m_speech = engine.isEmpty() ? std::make_unique<QTextToSpeech>() : std::make_unique<QTextToSpeech>(engine);
    connect(m_speech.get(), &QTextToSpeech::stateChanged, this, &QtSpeechSynthesizer::stateChanged);
}

QtSpeechSynthesizer::~QtSpeechSynthesizer()
{
    m_stopping = true;
    m_speech->disconnect(this);
    m_speech->stop(QTextToSpeech::BoundaryHint::Immediate);
}

bool QtSpeechSynthesizer::startSpeakingString(const QString& text)
{
    if (m_speaking)
        stopSpeakingAtBoundary(Boundary::Immediate);
    if (m_speech->state() == QTextToSpeech::Error || text.trimmed().isEmpty()) {
        if (m_speech->state() == QTextToSpeech::Error)
            Log::logf(QStringLiteral("Speech is not available: %1"), m_speech->engine());
        didFinishSpeaking(false);
        return false;
    }
    m_speaking = true;
    m_paused = false;
    m_speech->say(text);
    return true;
}

static QTextToSpeech::BoundaryHint hintFor(SpeechSynthesizer::Boundary boundary)
{
    switch (boundary) {
    case SpeechSynthesizer::Boundary::Immediate:
        return QTextToSpeech::BoundaryHint::Immediate;
    case SpeechSynthesizer::Boundary::Word:
        return QTextToSpeech::BoundaryHint::Word;
    case SpeechSynthesizer::Boundary::Sentence:
        return QTextToSpeech::BoundaryHint::Sentence;
    }
    return QTextToSpeech::BoundaryHint::Default;
}

void QtSpeechSynthesizer::stopSpeakingAtBoundary(Boundary boundary)
{
    if (!m_speaking)
        return;
    m_stopping = true;
    m_speech->stop(hintFor(boundary));
    m_stopping = false;
    finish(false);
}

void QtSpeechSynthesizer::pauseSpeakingAtBoundary(Boundary boundary)
{
    if (!m_speaking || m_paused)
        return;
    m_paused = true;
    m_speech->pause(hintFor(boundary));
}

void QtSpeechSynthesizer::continueSpeaking()
{
    if (!m_speaking || !m_paused)
        return;
    m_paused = false;
    m_speech->resume();
}

void QtSpeechSynthesizer::stateChanged(QTextToSpeech::State state)
{
    if (m_stopping || !m_speaking)
        return;
    if (state == QTextToSpeech::Ready)
        finish(true);
    else if (state == QTextToSpeech::Error)
        finish(false);
}

void QtSpeechSynthesizer::finish(bool finishedSpeaking)
{
    m_speaking = false;
    m_paused = false;
    didFinishSpeaking(finishedSpeaking);
}
