#include "SphinxSpeechRecognizer.h"

#include "Log.h"
#include "RunLoop.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QRegularExpression>
#include <pocketsphinx.h>
#include <pulse/error.h>
#include <pulse/simple.h>
#include <sphinxbase/jsgf.h>

namespace
{

const char* const modelRoot = "/usr/share/pocketsphinx/model/en-us";

// The dictionary's words of a command's word: itself, or two words it is made of ("fullscreen" is
// "full screen"); empty when neither is known.
QStringList dictionaryWords(ps_decoder_t* decoder, const QString& word)
{
    const auto known = [decoder](const QString& w) {
        char* pronunciation = ps_lookup_word(decoder, w.toUtf8().constData());
        const bool found = pronunciation != nullptr;
        ckd_free(pronunciation);
        return found;
    };
    if (known(word))
        return { word };
    for (qsizetype split = 2; split + 2 <= word.size(); ++split) {
        const QString head = word.left(split);
        const QString tail = word.mid(split);
        if (known(head) && known(tail))
            return { head, tail };
    }
    return {};
}

} // namespace

QString SphinxSpeechRecognizer::modelFolder()
{
    const QString folder = QString::fromLatin1(modelRoot);
    return QFileInfo::exists(folder + QStringLiteral("/en-us/mdef"))
            && QFileInfo::exists(folder + QStringLiteral("/cmudict-en-us.dict"))
        ? folder
        : QString();
}

SphinxSpeechRecognizer::SphinxSpeechRecognizer(QObject* parent)
    : QObject(parent)
{
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::applicationStateChanged, this,
            &SphinxSpeechRecognizer::updateCapture);
    }
}

SphinxSpeechRecognizer::~SphinxSpeechRecognizer()
{
    m_listening = false;
    updateCapture();
    if (m_decoder)
        ps_free(m_decoder);
}

void SphinxSpeechRecognizer::setCommands(const QStringList& commands)
{
    const bool listening = m_listening;
    if (listening)
        stopListening();
    m_commands = commands;
    rebuildGrammar();
    if (listening)
        startListening();
}

void SphinxSpeechRecognizer::rebuildGrammar()
{
    const std::lock_guard<std::mutex> lock(m_decoderLock);
    if (m_decoder) {
        ps_free(m_decoder);
        m_decoder = nullptr;
    }
    m_commandForPhrase.clear();
    m_error.clear();
    const QString folder = modelFolder();
    if (folder.isEmpty()) {
        m_error = QStringLiteral("The speech recognition model is not installed (pocketsphinx-en-us).");
        return;
    }
    const QByteArray hmm = (folder + QStringLiteral("/en-us")).toLocal8Bit();
    const QByteArray dict = (folder + QStringLiteral("/cmudict-en-us.dict")).toLocal8Bit();
    // Wide beams: the grammar is tiny, and the default ones drop two-word commands.
    cmd_ln_t* config
        = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", hmm.constData(), "-dict", dict.constData(), "-logfn",
            "/dev/null", "-beam", "1e-80", "-wbeam", "1e-60", "-pbeam", "1e-80", nullptr);
    ps_decoder_t* decoder = config ? ps_init(config) : nullptr;
    if (config)
        cmd_ln_free_r(config);
    if (!decoder) {
        m_error = QStringLiteral("The speech recognition model could not be loaded.");
        return;
    }
    QStringList alternatives;
    for (const QString& command : std::as_const(m_commands)) {
        QStringList words;
        for (const QString& word :
            command.toLower().split(QRegularExpression(QStringLiteral("[^a-z']+")), Qt::SkipEmptyParts)) {
            const QStringList known = dictionaryWords(decoder, word);
            if (known.isEmpty()) {
                m_error = QStringLiteral("The word \"%1\" of the command \"%2\" cannot be recognised.")
                              .arg(word, command);
                ps_free(decoder);
                return;
            }
            words += known;
        }
        if (words.isEmpty())
            continue;
        const QString phrase = words.join(u' ');
        m_commandForPhrase.insert(phrase, command);
        alternatives.append(QStringLiteral("(%1)").arg(phrase));
    }
    if (alternatives.isEmpty()) {
        ps_free(decoder);
        return;
    }
    const QByteArray grammar = QStringLiteral("#JSGF V1.0;\ngrammar commands;\npublic <command> = %1;\n")
                                   .arg(alternatives.join(QStringLiteral(" | ")))
                                   .toUtf8();
    // Built here rather than by ps_set_jsgf_string, which keeps the parsed grammar for good.
    jsgf_t* parsed = jsgf_parse_string(grammar.constData(), nullptr);
    jsgf_rule_t* rule = parsed ? jsgf_get_public_rule(parsed) : nullptr;
    fsg_model_t* fsg = rule ? jsgf_build_fsg(parsed, rule, ps_get_logmath(decoder), 7.5) : nullptr;
    const bool set
        = fsg && ps_set_fsg(decoder, "commands", fsg) >= 0 && ps_set_search(decoder, "commands") >= 0;
    if (fsg)
        fsg_model_free(fsg);
    if (parsed)
        jsgf_grammar_free(parsed);
    if (!set) {
        m_error = QStringLiteral("The command grammar could not be built.");
        ps_free(decoder);
        return;
    }
    m_decoder = decoder;
}

QString SphinxSpeechRecognizer::commandForHypothesis(const char* hypothesis) const
{
    if (!hypothesis)
        return {};
    return m_commandForPhrase.value(QString::fromUtf8(hypothesis).simplified());
}

QString SphinxSpeechRecognizer::recognize(const QVector<qint16>& samples)
{
    if (m_listening || samples.isEmpty())
        return {};
    const std::lock_guard<std::mutex> lock(m_decoderLock);
    if (!m_decoder || ps_start_utt(m_decoder) < 0)
        return {};
    ps_process_raw(m_decoder, samples.constData(), size_t(samples.size()), FALSE, TRUE);
    ps_end_utt(m_decoder);
    int32 score = 0;
    return commandForHypothesis(ps_get_hyp(m_decoder, &score));
}

void SphinxSpeechRecognizer::setListensInForegroundOnly(bool foregroundOnly)
{
    m_foregroundOnly = foregroundOnly;
    updateCapture();
}

void SphinxSpeechRecognizer::startListening()
{
    if (m_listening)
        return;
    if (!m_decoder) {
        Log::logf(QStringLiteral("Not listening for commands: %1"), m_error);
        return;
    }
    m_listening = true;
    updateCapture();
}

void SphinxSpeechRecognizer::stopListening()
{
    m_listening = false;
    updateCapture();
}

void SphinxSpeechRecognizer::updateCapture()
{
    const bool active = !m_foregroundOnly || QGuiApplication::applicationState() == Qt::ApplicationActive;
    const bool capture = m_listening && m_decoder && active;
    if (capture == m_captureThread.joinable())
        return;
    if (capture) {
        m_stopCapture = false;
        m_captureThread = std::thread([this] { this->capture(); });
    } else {
        m_stopCapture = true;
        m_captureThread.join();
    }
}

// The capture thread: reads the microphone in tenths of a second and decodes each utterance as
// speech starts and stops; a recognised command is handed to the main thread.
void SphinxSpeechRecognizer::capture()
{
    pa_sample_spec spec {};
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = SampleRate;
    spec.channels = 1;
    int error = 0;
    pa_simple* stream = pa_simple_new(
        nullptr, "Kitchora", PA_STREAM_RECORD, nullptr, "Spoken commands", &spec, nullptr, nullptr, &error);
    if (!stream) {
        const QString reason = QString::fromLocal8Bit(pa_strerror(error));
        RunLoop::postToMain(
            [reason] { Log::logf(QStringLiteral("No microphone for spoken commands: %1"), reason); });
        return;
    }
    QPointer<SphinxSpeechRecognizer> self(this);
    std::vector<qint16> buffer(SampleRate / 10);
    bool inUtterance = false;
    bool started = false;
    while (!m_stopCapture) {
        if (pa_simple_read(stream, buffer.data(), buffer.size() * sizeof(qint16), &error) < 0)
            break;
        const std::lock_guard<std::mutex> lock(m_decoderLock);
        if (!started) {
            started = ps_start_utt(m_decoder) >= 0;
            if (!started)
                break;
        }
        ps_process_raw(m_decoder, buffer.data(), buffer.size(), FALSE, FALSE);
        const bool inSpeech = ps_get_in_speech(m_decoder) != 0;
        if (inSpeech)
            inUtterance = true;
        if (!inSpeech && inUtterance) {
            ps_end_utt(m_decoder);
            int32 score = 0;
            const QString command = commandForHypothesis(ps_get_hyp(m_decoder, &score));
            if (!command.isEmpty()) {
                RunLoop::postToMain([self, command] {
                    if (self && self->m_listening)
                        self->didRecognizeCommand(command);
                });
            }
            inUtterance = false;
            started = false;
        }
    }
    if (started)
        ps_end_utt(m_decoder);
    pa_simple_free(stream);
}
