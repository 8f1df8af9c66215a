#pragma once

#include <QString>
#include <functional>

// Speaks text aloud. Asynchronous: the finished handler is called later on the main thread, never
// from inside a call, with true when the text was spoken to its end and false when speaking was
// stopped or could not start. Main thread only.
class SpeechSynthesizer
{
public:
    enum class Boundary { Immediate, Word, Sentence };
    using FinishedHandler = std::function<void(bool finishedSpeaking)>;

    virtual ~SpeechSynthesizer() = default;

    // Stops what is being spoken (its handler hears false) and starts `text`; false when nothing
    // can be spoken (the handler then hears false too).
    virtual bool startSpeakingString(const QString& text) = 0;
    virtual void stopSpeakingAtBoundary(Boundary boundary) = 0;
    virtual void pauseSpeakingAtBoundary(Boundary boundary) = 0;
    // Goes on where a pause left off; nothing when not paused.
    virtual void continueSpeaking() = 0;
    // True from a start until the finished handler is due, also while paused.
    virtual bool isSpeaking() const = 0;

    void setFinishedHandler(FinishedHandler handler) { m_finished = std::move(handler); }

protected:
    // Posts the finished handler's call to the main loop.
    void didFinishSpeaking(bool finishedSpeaking);

private:
    FinishedHandler m_finished;
};
