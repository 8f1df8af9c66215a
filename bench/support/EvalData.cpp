#include "EvalData.h"

#include <QDir>

namespace EvalData
{

QString folder()
{
    const QString fromEnvironment = qEnvironmentVariable("KITCHORA_EVALDATA");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    for (const char* relative : { "/../shared/evaldata", "/../../shared/evaldata" }) {
        const QString candidate = QStringLiteral(KITCHORA_SOURCE_DIR) + QLatin1String(relative);
        if (QDir(candidate).exists())
            return QDir(candidate).canonicalPath();
    }
    return QString();
}

bool readRecord(const QString& text, qsizetype& pos, QStringList& fields)
{
    fields.clear();
    if (pos >= text.size())
        return false;
    QString field;
    bool quoted = false;
    while (pos < text.size()) {
        const QChar c = text[pos++];
        if (quoted) {
            if (c == u'"' && pos < text.size() && text[pos] == u'"') {
                field += u'"';
                ++pos;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << field;
            field.clear();
        } else if (c == u'\n') {
            break;
        } else if (c != u'\r') {
            field += c;
        }
    }
    fields << field;
    return true;
}

} // namespace EvalData
