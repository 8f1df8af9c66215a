// Reading outside documents as the import window opens them (the readers alone, not the window):
//   read_pdf_20_pages          a 20-page PDF of recipes, written with QPdfWriter, page by page
//   read_rtf_1mb_word_processor  1 MB of RTF as LibreOffice writes it (its export of the tests'
//                              recipe document, the body repeated)
//   read_rtf_1mb_our_writer    1 MB of RTF from our writer: recipes with headings, faces, colours
//   read_html_page             the largest recipe web page of the evaluation data
//   read_text_1mb              1 MB of plain text in Windows-1252 with CRLF line ends
// Recipes come from the evaluation data (recipes/recipe-scrapers/expected.jsonl) when it is there.
#include "DocumentReader.h"
#include "EvalData.h"
#include "RTFWriter.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPdfWriter>
#include <QTextDocument>
#include <benchmark/benchmark.h>

namespace
{

struct Recipe {
    QString title;
    QStringList ingredients;
    QStringList directions;
};

QList<Recipe> recipes()
{
    static const QList<Recipe> loaded = [] {
        QList<Recipe> list;
        QFile file(EvalData::folder() + QStringLiteral("/recipes/recipe-scrapers/expected.jsonl"));
        if (file.open(QIODevice::ReadOnly)) {
            while (!file.atEnd()) {
                const QJsonObject object = QJsonDocument::fromJson(file.readLine()).object();
                Recipe recipe { object.value(QStringLiteral("title")).toString(), {}, {} };
                for (const QJsonValue line : object.value(QStringLiteral("ingredients")).toArray())
                    recipe.ingredients.append(line.toString());
                for (const QJsonValue line : object.value(QStringLiteral("instructions_list")).toArray())
                    recipe.directions.append(line.toString());
                if (!recipe.title.isEmpty())
                    list.append(recipe);
            }
        }
        if (list.isEmpty()) {
            for (int i = 0; i < 200; ++i)
                list.append({ QStringLiteral("Soup %1").arg(i),
                    { QStringLiteral("2 cups chicken stock"), QStringLiteral("1 onion, chopped") },
                    { QStringLiteral("Simmer the onion in the stock for twenty minutes, then season.") } });
        }
        return list;
    }();
    return loaded;
}

QByteArray twentyPagePDF()
{
    static const QByteArray pdf = [] {
        QString html;
        QTextDocument document;
        QByteArray bytes;
        for (const Recipe& recipe : recipes()) {
            html += QStringLiteral("<h2>%1</h2><ul>").arg(recipe.title.toHtmlEscaped());
            for (const QString& line : recipe.ingredients)
                html += QStringLiteral("<li>%1</li>").arg(line.toHtmlEscaped());
            html += QStringLiteral("</ul>");
            for (const QString& line : recipe.directions)
                html += QStringLiteral("<p>%1</p>").arg(line.toHtmlEscaped());
            document.setHtml(html);
            document.setPageSize(QSizeF(612, 792));
            if (document.pageCount() >= 20)
                break;
        }
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::Letter));
        document.print(&writer);
        buffer.close();
        return bytes;
    }();
    return pdf;
}

QByteArray oneMegabyteOfWordProcessorRTF()
{
    static const QByteArray rtf = [] {
        QFile file(QStringLiteral(KITCHORA_SOURCE_DIR "/tests/platform/text/data/writer-recipe.rtf"));
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray();
        const QByteArray whole = file.readAll();
        // The body: from the first paragraph to the document's closing brace.
        const qsizetype start = whole.indexOf("\\pgndec\\pard");
        const qsizetype end = whole.lastIndexOf('}');
        if (start < 0 || end < start)
            return QByteArray();
        const QByteArray body = whole.mid(start, end - start);
        QByteArray out = whole.left(end);
        while (out.size() < 1024 * 1024)
            out += body;
        return out + "}";
    }();
    return rtf;
}

QByteArray oneMegabyteOfOurRTF()
{
    static const QByteArray rtf = [] {
        QFont heading(QStringLiteral("Helvetica"));
        heading.setPointSizeF(16);
        heading.setBold(true);
        QFont body(QStringLiteral("Times"));
        body.setPointSizeF(12);
        QFont step = body;
        step.setItalic(true);
        MutableAttributedString string;
        QByteArray written;
        while (written.size() < 1024 * 1024) {
            for (const Recipe& recipe : recipes()) {
                string.appendAttributedString(
                    AttributedString(recipe.title + u'\n', { { NSFontAttributeName, heading } }));
                for (const QString& line : recipe.ingredients)
                    string.appendAttributedString(AttributedString(line + u'\n',
                        { { NSFontAttributeName, body },
                            { NSForegroundColorAttributeName, QColor(0, 96, 0) } }));
                for (const QString& line : recipe.directions)
                    string.appendAttributedString(
                        AttributedString(line + u'\n', { { NSFontAttributeName, step } }));
                if (string.length() > 350 * 1024)
                    break;
            }
            written = RTFWriter::RTFFromAttributedString(string);
        }
        return written;
    }();
    return rtf;
}

void read(benchmark::State& state, const QByteArray& data, DocumentReader::Kind kind)
{
    if (data.isEmpty()) {
        state.SkipWithError("the document could not be made");
        return;
    }
    qsizetype characters = 0;
    for (auto _ : state) {
        QString error;
        const std::optional<AttributedString> string = DocumentReader::readData(data, kind, &error);
        if (!string) {
            state.SkipWithError("the document could not be read");
            return;
        }
        characters = string->length();
        benchmark::DoNotOptimize(characters);
    }
    state.counters["bytes"] = double(data.size());
    state.counters["characters"] = double(characters);
}

void read_pdf_20_pages(benchmark::State& state)
{
    read(state, twentyPagePDF(), DocumentReader::Kind::PDF);
}
BENCHMARK(read_pdf_20_pages)->Unit(benchmark::kMillisecond);

void read_rtf_1mb_word_processor(benchmark::State& state)
{
    read(state, oneMegabyteOfWordProcessorRTF(), DocumentReader::Kind::RTF);
}
BENCHMARK(read_rtf_1mb_word_processor)->Unit(benchmark::kMillisecond);

void read_rtf_1mb_our_writer(benchmark::State& state)
{
    read(state, oneMegabyteOfOurRTF(), DocumentReader::Kind::RTF);
}
BENCHMARK(read_rtf_1mb_our_writer)->Unit(benchmark::kMillisecond);

void read_html_page(benchmark::State& state)
{
    const QDir folder(EvalData::folder() + QStringLiteral("/recipes/recipe-scrapers/html-fixtures"));
    QString largest;
    qint64 size = 0;
    for (const QFileInfo& file : folder.entryInfoList({ QStringLiteral("*.html") }, QDir::Files)) {
        if (file.size() > size) {
            size = file.size();
            largest = file.filePath();
        }
    }
    QFile file(largest);
    read(state, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), DocumentReader::Kind::HTML);
}
BENCHMARK(read_html_page)->Unit(benchmark::kMillisecond);

void read_text_1mb(benchmark::State& state)
{
    QByteArray text;
    while (text.size() < 1024 * 1024)
        text += "2 cups cr\xE8me fra\xEE"
                "che \x96 about \xBD pint\r\n";
    read(state, text, DocumentReader::Kind::PlainText);
}
BENCHMARK(read_text_1mb)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
