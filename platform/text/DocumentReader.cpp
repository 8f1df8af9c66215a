#include "DocumentReader.h"

#include "HTMLReader.h"
#include "PDFReader.h"
#include "PlainTextReader.h"
#include "RTFReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>

namespace DocumentReader
{

namespace
{

// Larger files are no text anybody imports, and reading them whole could exhaust the memory.
constexpr qint64 kMaximumFileSize = 256 * 1024 * 1024;

std::optional<AttributedString> failure(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return std::nullopt;
}

std::optional<QByteArray> fileData(const QString& path, QString* error)
{
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        failure(error, QObject::tr("The file “%1” could not be read.").arg(name));
        return std::nullopt;
    }
    if (file.size() > kMaximumFileSize) {
        failure(error, QObject::tr("The file “%1” is too large to import.").arg(name));
        return std::nullopt;
    }
    return file.readAll();
}

// PDF text sets words with ligature characters that no search or parser expects.
QString withoutLigatures(QString text)
{
    static const std::pair<char16_t, const char16_t*> ligatures[] = { { 0xFB00, u"ff" }, { 0xFB01, u"fi" },
        { 0xFB02, u"fl" }, { 0xFB03, u"ffi" }, { 0xFB04, u"ffl" }, { 0xFB05, u"st" }, { 0xFB06, u"st" } };
    for (const auto& [ligature, letters] : ligatures)
        text.replace(QChar(ligature), QString::fromUtf16(letters));
    return text;
}

std::optional<AttributedString> readPDF(const QByteArray& data, QString* error)
{
    const std::optional<QStringList> pages = PDFReader::pagesFromPDF(data, error);
    if (!pages)
        return std::nullopt;
    QString text;
    for (const QString& page : *pages) {
        if (!text.isEmpty() && !text.endsWith(u'\n'))
            text += u'\n';
        // Pages end with a form feed in some documents; poppler's lines may end in "\r\n".
        QString cleaned = page;
        cleaned.remove(u'\f');
        text += PlainTextReader::withUnixLineEnds(withoutLigatures(cleaned));
    }
    return AttributedString(text);
}

} // namespace

Kind kindForPath(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("txt") || extension == QLatin1String("text"))
        return Kind::PlainText;
    if (extension == QLatin1String("rtf"))
        return Kind::RTF;
    if (extension == QLatin1String("rtfd"))
        return Kind::RTFD;
    if (extension == QLatin1String("html") || extension == QLatin1String("htm"))
        return Kind::HTML;
    if (extension == QLatin1String("pdf"))
        return Kind::PDF;
    return Kind::Unknown;
}

Kind kindForData(const QByteArray& data)
{
    QByteArray head = data.left(1024);
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    const QByteArray trimmed = head.trimmed();
    if (trimmed.startsWith("{\\rtf"))
        return Kind::RTF;
    if (head.startsWith("%PDF-"))
        return Kind::PDF;
    const QByteArray lower = trimmed.toLower();
    if (lower.startsWith("<!doctype html") || lower.contains("<html") || lower.contains("<head")
        || lower.contains("<body"))
        return Kind::HTML;
    return Kind::PlainText;
}

std::optional<AttributedString> readFile(const QString& path, QString* error)
{
    const Kind kind = kindForPath(path);
    if (kind == Kind::RTFD && QFileInfo(path).isDir())
        return readRTFDPackage(path, nullptr, error);
    const std::optional<QByteArray> data = fileData(path, error);
    if (!data)
        return std::nullopt;
    return readData(*data, kind, error);
}

std::optional<AttributedString> readData(const QByteArray& data, Kind kind, QString* error)
{
    if (kind == Kind::Unknown)
        kind = kindForData(data);
    switch (kind) {
    case Kind::RTF:
    case Kind::RTFD:
        return RTFReader::attributedStringFromRTF(data, error);
    case Kind::HTML:
        return HTMLReader::attributedStringFromHTML(data);
    case Kind::PDF:
        return readPDF(data, error);
    case Kind::PlainText:
    case Kind::Unknown:
        break;
    }
    return AttributedString(PlainTextReader::stringFromData(data));
}

std::optional<AttributedString> readRTFDPackage(const QString& path, Pictures* pictures, QString* error)
{
    const QDir package(path);
    const QString name = QFileInfo(path).fileName();
    if (!QFileInfo(path).isDir())
        return failure(error, QObject::tr("The file “%1” could not be read.").arg(name));
    // The text's name is fixed; some programs spell it in another case.
    QString textName = QStringLiteral("TXT.rtf");
    if (!package.exists(textName)) {
        const QStringList found = package.entryList({ QStringLiteral("txt.rtf") }, QDir::Files);
        if (found.isEmpty())
            return failure(error, QObject::tr("The document “%1” has no text.").arg(name));
        textName = found.first();
    }
    const std::optional<QByteArray> data = fileData(package.filePath(textName), error);
    if (!data)
        return std::nullopt;
    std::optional<AttributedString> text = RTFReader::attributedStringFromRTF(*data, error);
    if (!text || !pictures)
        return text;

    const QString root = QFileInfo(path).canonicalFilePath() + u'/';
    text->enumerateAttribute(
        NSAttachmentAttributeName, Range { 0, text->length() }, [&](const QVariant& value, Range, bool&) {
            if (!value.canConvert<TextAttachment>())
                return;
            const QString picture = value.value<TextAttachment>().title;
            if (pictures->contains(picture))
                return;
            const QFileInfo file(package.filePath(picture));
            if (!file.isFile() || !file.canonicalFilePath().startsWith(root))
                return;
            QFile reader(file.filePath());
            if (file.size() <= kMaximumFileSize && reader.open(QIODevice::ReadOnly))
                pictures->insert(picture, reader.readAll());
        });
    return text;
}

} // namespace DocumentReader
