#include "QtSpeechSynthesizer.h"
#include "SphinxSpeechRecognizer.h"
#include "VirtualClock.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace
{

const QStringList cookingCommands = { QStringLiteral("Next Direction"), QStringLiteral("Previous Direction"),
    QStringLiteral("Play"), QStringLiteral("Play Recipe"), QStringLiteral("Pause"), QStringLiteral("Stop"),
    QStringLiteral("Exit Fullscreen"), QStringLiteral("Read Ingredients"), QStringLiteral("Stop Listening"),
    QStringLiteral("Start Speaking"), QStringLiteral("Stop Speaking") };

// The mono 16-bit samples of a WAV file at the recognizer's rate (linear resampling), with half a
// second of silence before and after, as a pause around a spoken command would give.
QVector<qint16> samplesAt16kHz(const QByteArray& wav)
{
    QVector<qint16> out;
    if (wav.size() < 44 || !wav.startsWith("RIFF"))
        return out;
    const int rate = int(qFromLittleEndian<quint32>(wav.constData() + 24));
    qsizetype at = 12;
    QByteArray data;
    while (at + 8 <= wav.size()) {
        const quint32 size = qFromLittleEndian<quint32>(wav.constData() + at + 4);
        if (wav.mid(at, 4) == "data") {
            data = wav.mid(at + 8, qsizetype(size));
            break;
        }
        at += 8 + qsizetype(size);
    }
    const qsizetype count = data.size() / 2;
    if (rate <= 0 || count == 0)
        return out;
    const auto sample = [&data](qsizetype i) { return qFromLittleEndian<qint16>(data.constData() + 2 * i); };
    const int pad = SphinxSpeechRecognizer::SampleRate / 2;
    out.fill(0, pad);
    const qsizetype resampled = count * SphinxSpeechRecognizer::SampleRate / rate;
    for (qsizetype i = 0; i < resampled; ++i) {
        const double position = double(i) * rate / SphinxSpeechRecognizer::SampleRate;
        const auto k = qsizetype(position);
        const double a = sample(k);
        const double b = k + 1 < count ? sample(k + 1) : a;
        out.append(qint16(a + (b - a) * (position - double(k))));
    }
    out.append(QVector<qint16>(pad, 0));
    return out;
}

} // namespace

TEST(SpeechRecognizerTest, EachCookingCommandSpokenIsRecognised)
{
    const QString speaker = QStandardPaths::findExecutable(QStringLiteral("espeak-ng"));
    if (SphinxSpeechRecognizer::modelFolder().isEmpty() || speaker.isEmpty())
        GTEST_SKIP() << "needs pocketsphinx-en-us and espeak-ng (scripts/install-deps installs both)";
    SphinxSpeechRecognizer recognizer;
    recognizer.setCommands(cookingCommands);
    ASSERT_TRUE(recognizer.isReady()) << recognizer.errorString().toStdString();

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("command.wav"));
    for (const QString& command : cookingCommands) {
        QProcess speak;
        speak.start(speaker,
            { QStringLiteral("-v"), QStringLiteral("en-us+f3"), QStringLiteral("-s"), QStringLiteral("160"),
                QStringLiteral("-w"), file, command });
        ASSERT_TRUE(speak.waitForFinished(30000));
        QFile wav(file);
        ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
        EXPECT_EQ(recognizer.recognize(samplesAt16kHz(wav.readAll())), command);
    }
    // Silence is no command.
    EXPECT_EQ(recognizer.recognize(QVector<qint16>(SphinxSpeechRecognizer::SampleRate, 0)), QString());
}

TEST(SpeechRecognizerTest, ACommandWithAnUnknownWordIsRefusedByName)
{
    if (SphinxSpeechRecognizer::modelFolder().isEmpty())
        GTEST_SKIP() << "needs pocketsphinx-en-us";
    SphinxSpeechRecognizer recognizer;
    recognizer.setCommands({ QStringLiteral("Play"), QStringLiteral("Zqxjv Now") });
    EXPECT_FALSE(recognizer.isReady());
    EXPECT_TRUE(recognizer.errorString().contains(QStringLiteral("zqxjv")));
    // Listening without a grammar hears nothing and says why in the log, without failing.
    recognizer.startListening();
    EXPECT_FALSE(recognizer.isListening());
}

TEST(SpeechSynthesizerTest, NothingToSayFinishesUnspokenAfterTheCall)
{
    VirtualClock clock;
    QtSpeechSynthesizer synthesizer;
    QList<bool> finishes;
    synthesizer.setFinishedHandler([&finishes](bool finished) { finishes.append(finished); });
    EXPECT_FALSE(synthesizer.startSpeakingString(QStringLiteral("  ")));
    EXPECT_FALSE(synthesizer.isSpeaking());
    EXPECT_TRUE(finishes.isEmpty());
    clock.advance(0);
    EXPECT_EQ(finishes, QList<bool>({ false }));
    // Pausing, continuing and stopping while silent change nothing.
    synthesizer.pauseSpeakingAtBoundary(SpeechSynthesizer::Boundary::Word);
    synthesizer.continueSpeaking();
    synthesizer.stopSpeakingAtBoundary(SpeechSynthesizer::Boundary::Word);
    clock.advance(0);
    EXPECT_EQ(finishes.size(), 1);
}
