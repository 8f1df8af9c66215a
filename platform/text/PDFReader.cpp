#include "PDFReader.h"

#include <QObject>
#include <mutex>
#include <poppler-qt6.h>

namespace
{

// Poppler reports every repair it makes to a damaged file; the reader's answer is what counts.
void quietPoppler()
{
    static std::once_flag once;
    std::call_once(
        once, [] { Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant()); });
}

} // namespace

std::optional<QStringList> PDFReader::pagesFromPDF(const QByteArray& data, QString* error)
{
    quietPoppler();
    const auto fail = [error](const QString& message) -> std::optional<QStringList> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    if (!data.left(1024).contains("%PDF-"))
        return fail(QObject::tr("The document is not a PDF document."));
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(data);
    if (!document)
        return fail(QObject::tr("The PDF document is damaged and could not be read."));
    if (document->isLocked())
        return fail(QObject::tr("The PDF document is protected by a password."));
    const int count = document->numPages();
    if (count <= 0)
        return fail(QObject::tr("The PDF document has no pages."));
    QStringList pages;
    pages.reserve(count);
    for (int index = 0; index < count; ++index) {
        const std::unique_ptr<Poppler::Page> page = document->page(index);
        pages.append(page ? page->text(QRectF()) : QString());
    }
    return pages;
}
