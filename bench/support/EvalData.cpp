#include "EvalData.h"

#include <QDir>
#include <QFile>
#include <algorithm>

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

QList<LabelledLine> labelledLines(const QStringList& files)
{
    QList<LabelledLine> result;
    const QDir dir(folder() + QStringLiteral("/ingredient-lines/strangetom"));
    const QStringList names
        = files.isEmpty() ? dir.entryList({ QStringLiteral("*.csv") }, QDir::Files, QDir::Name) : files;
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        qsizetype pos = 0;
        QStringList fields;
        readRecord(text, pos, fields);
        const qsizetype input = fields.indexOf(QStringLiteral("input"));
        const qsizetype label = fields.indexOf(QStringLiteral("name"));
        const qsizetype quantity = fields.indexOf(QStringLiteral("quantity"));
        const qsizetype unit = fields.indexOf(QStringLiteral("unit"));
        if (std::min({ input, label, quantity, unit }) < 0)
            continue;
        const qsizetype last = std::max({ input, label, quantity, unit });
        while (readRecord(text, pos, fields)) {
            if (fields.size() > last)
                result.append({ name, fields[input], fields[label], fields[quantity], fields[unit] });
        }
    }
    return result;
}

} // namespace EvalData
