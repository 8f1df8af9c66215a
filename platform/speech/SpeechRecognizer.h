#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Listens for a fixed list of spoken commands. The command handler is called on the main thread
// with the command's text exactly as given in `setCommands`. Main thread only.
class SpeechRecognizer
{
public:
    using CommandHandler = std::function<void(const QString& command)>;

    virtual ~SpeechRecognizer() = default;

    virtual void setCommands(const QStringList& commands) = 0;
    virtual QStringList commands() const = 0;
    // Only one program listens at a time on this desktop; kept for callers that set it.
    virtual void setBlocksOtherRecognizers(bool blocks) = 0;
    // Listening pauses while the program is not the active one.
    virtual void setListensInForegroundOnly(bool foregroundOnly) = 0;
    virtual void startListening() = 0;
    virtual void stopListening() = 0;
    virtual bool isListening() const = 0;

    void setCommandHandler(CommandHandler handler) { m_handler = std::move(handler); }

protected:
    void didRecognizeCommand(const QString& command)
    {
        if (m_handler)
            m_handler(command);
    }

private:
    CommandHandler m_handler;
};
