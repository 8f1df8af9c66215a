#pragma once

#include "SpeechSynthesizer.h"

#include <QObject>
#include <QTextToSpeech>
#include <memory>

// The desktop's speech through Qt TextToSpeech, preferring the offline flite engine. An engine
// that cannot stop or pause at a word boundary does so at once.
class QtSpeechSynthesizer : public QObject, public SpeechSynthesizer
{
    Q_OBJECT

public:
    // The engine of the system's default voice: "flite" when installed, else Qt's default.
    static QString defaultEngine();

    explicit QtSpeechSynthesizer(QObject* parent = nullptr);
    ~QtSpeechSynthesizer() override;

    bool startSpeakingString(const QString& text) override;
    void stopSpeakingAtBoundary(Boundary boundary) override;
    void pauseSpeakingAtBoundary(Boundary boundary) override;
    void continueSpeaking() override;
    bool isSpeaking() const override { return m_speaking; }

private:
    void stateChanged(QTextToSpeech::State state);
    void finish(bool finishedSpeaking);

    std::unique_ptr<QTextToSpeech> m_speech;
    bool m_speaking = false;
    bool m_paused = false;
    // Set while a stop of ours drives the engine back to Ready, so that transition is no finish.
    bool m_stopping = false;
};
