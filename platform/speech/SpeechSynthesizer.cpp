#include "SpeechSynthesizer.h"

#include "RunLoop.h"

void SpeechSynthesizer::didFinishSpeaking(bool finishedSpeaking)
{
    if (!m_finished)
        return;
    // A copy: the handler may replace itself or end the synthesizer's owner before the post runs.
    RunLoop::postToMain([handler = m_finished, finishedSpeaking] { handler(finishedSpeaking); });
}
