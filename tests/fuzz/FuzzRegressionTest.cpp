#include "FuzzCardStore.h"
#include "FuzzDocumentReaders.h"
#include "FuzzImporter.h"
#include "FuzzIngredientLines.h"
#include "FuzzJpeg2000.h"
#include "FuzzPlist.h"
#include "FuzzPredicate.h"
#include "FuzzVrcReader.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace
{

struct Target {
    const char* name;
    void (*check)(const uint8_t*, size_t);
};

// Each saved input runs through its target's check, which aborts on a finding.
TEST(FuzzRegressionTest, SavedInputsPassTheirTargetsChecks)
{
    const Target targets[] = {
        { "fuzz_vrc_reader", fuzzVrcReader },
        { "fuzz_plist", fuzzPlist },
        { "fuzz_predicate", fuzzPredicate },
        { "fuzz_jpeg2000", fuzzJpeg2000 },
        { "fuzz_ingredient_lines", fuzzIngredientLines },
        { "fuzz_card_store", fuzzCardStore },
        { "fuzz_importer", fuzzImporter },
        { "fuzz_rtf_reader", fuzzRTFReader },
        { "fuzz_html_reader", fuzzHTMLReader },
        { "fuzz_pdf_reader", fuzzPDFReader },
        { "fuzz_plain_text_reader", fuzzPlainTextReader },
    };
    for (const Target& target : targets) {
        SCOPED_TRACE(target.name);
        const QDir folder(
            QStringLiteral(KITCHORA_SOURCE_DIR "/fuzz/regressions/") + QLatin1String(target.name));
        const QStringList files = folder.entryList(QDir::Files, QDir::Name);
        EXPECT_FALSE(files.isEmpty());
        for (const QString& name : files) {
            SCOPED_TRACE(name.toStdString());
            QFile file(folder.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            target.check(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        }
    }
}

} // namespace
