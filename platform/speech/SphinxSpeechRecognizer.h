#pragma once

#include "SpeechRecognizer.h"

#include <QHash>
#include <QObject>
#include <QVector>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

struct ps_decoder_s;

// Spoken commands recognised offline by PocketSphinx against a grammar of exactly the given
// commands, from the default microphone through PulseAudio while listening. Where the acoustic
// model or the microphone is missing it logs why and hears nothing.
class SphinxSpeechRecognizer : public QObject, public SpeechRecognizer
{
    Q_OBJECT

public:
    // The sample rate `recognize` expects: 16 kHz, mono, signed 16-bit.
    static constexpr int SampleRate = 16000;
    // Where the US English model lives; empty when it is not installed.
    static QString modelFolder();

    explicit SphinxSpeechRecognizer(QObject* parent = nullptr);
    ~SphinxSpeechRecognizer() override;

    // False when the model is missing or a command holds a word the dictionary lacks.
    bool isReady() const { return m_decoder != nullptr; }
    QString errorString() const { return m_error; }

    void setCommands(const QStringList& commands) override;
    QStringList commands() const override { return m_commands; }
    void setBlocksOtherRecognizers(bool blocks) override { m_blocksOthers = blocks; }
    void setListensInForegroundOnly(bool foregroundOnly) override;
    void startListening() override;
    void stopListening() override;
    bool isListening() const override { return m_listening; }

    // The command one utterance holds, or an empty string; not while listening.
    QString recognize(const QVector<qint16>& samples);

private:
    void rebuildGrammar();
    QString commandForHypothesis(const char* hypothesis) const;
    void updateCapture();
    void capture();

    QStringList m_commands;
    // The grammar's spelling of each command ("exit full screen") → the command.
    QHash<QString, QString> m_commandForPhrase;
    ps_decoder_s* m_decoder = nullptr;
    QString m_error;
    std::mutex m_decoderLock;
    bool m_blocksOthers = false;
    bool m_foregroundOnly = true;
    bool m_listening = false;
    std::atomic<bool> m_stopCapture { false };
    std::thread m_captureThread;
};
