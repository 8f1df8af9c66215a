#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QSize>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace
{

using Format = PropertyList::Format;

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

// Equal values of equal types, all the way down (QVariant's == would call 1 and 1.0 equal).
void expectSameTree(const QVariant& actual, const QVariant& expected, const QString& where = "top")
{
    ASSERT_EQ(actual.metaType(), expected.metaType())
        << where.toStdString() << ": " << actual.typeName() << " vs " << expected.typeName();
    if (expected.metaType().id() == QMetaType::QVariantMap) {
        const QVariantMap a = actual.toMap(), e = expected.toMap();
        ASSERT_EQ(a.keys(), e.keys()) << where.toStdString();
        for (auto it = e.cbegin(); it != e.cend(); ++it)
            expectSameTree(a.value(it.key()), it.value(), where + "." + it.key());
    } else if (expected.metaType().id() == QMetaType::QVariantList) {
        const QVariantList a = actual.toList(), e = expected.toList();
        ASSERT_EQ(a.size(), e.size()) << where.toStdString();
        for (qsizetype i = 0; i < e.size(); ++i)
            expectSameTree(a.at(i), e.at(i), where + "[" + QString::number(i) + "]");
    } else {
        EXPECT_EQ(actual, expected) << where.toStdString() << ": " << actual.toString().toStdString()
                                    << " vs " << expected.toString().toStdString();
    }
}

QVariant i64(qint64 v)
{
    return QVariant::fromValue<qint64>(v);
}

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(KITCHORA_TEST_DATA "/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// What the fixtures hold (written by an independent implementation of both formats).
QVariantMap fixtureValue(bool subSecondDates)
{
    QByteArray picture;
    for (int round = 0; round < 2; ++round)
        for (int b = 0; b < 256; ++b)
            picture.append(char(b));
    QVariantList many;
    for (int i = 0; i < 20; ++i)
        many << i64(i);
    return {
        { "name", QString::fromUtf8("Crème brûlée 🍮 <&> \"quoted\"") },
        { "servings", i64(4) },
        { "big", i64(std::numeric_limits<qint64>::max()) },
        { "small", i64(std::numeric_limits<qint64>::min()) },
        { "huge", QVariant::fromValue<quint64>(std::numeric_limits<quint64>::max()) },
        { "ratio", 0.125 },
        { "rating", -2.5 },
        { "favorite", true },
        { "archived", false },
        { "created", utc(2026, 12, 10, 12, 34, 56, subSecondDates ? 789 : 0) },
        { "old", utc(1969, 7, 20, 20, 17, 40) },
        { "picture", picture },
        { "empty", QByteArray() },
        { "steps",
            QVariantList { "Heat the cream", "Whisk the yolks",
                QVariantList { "nested", i64(1), QVariantMap { { "deep", true } } }, QVariantMap(),
                QVariantList() } },
        { "long", QString(40, 'x') },
        { "many", many },
    };
}

// A value that exercises both encoders: > 255 objects, > 15-element containers, long and
// non-ASCII strings, every integer width, dates around the 2001 reference and with milliseconds.
QVariant richValue(int dataSize = 70000, int fillerCount = 300)
{
    QVariantList numbers;
    for (qint64 v : { qint64(0), qint64(1), qint64(255), qint64(256), qint64(65535), qint64(65536),
             qint64(4294967295LL), qint64(4294967296LL), qint64(-1), qint64(-300),
             std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::min() })
        numbers << i64(v);
    numbers << QVariant::fromValue<quint64>(quint64(std::numeric_limits<qint64>::max()) + 1);
    QVariantList filler;
    for (int i = 0; i < fillerCount; ++i)
        filler << QStringLiteral("item %1").arg(i);
    QByteArray bytes(dataSize, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    return QVariantMap {
        { "unicode",
            QString::fromUtf8(
                "Zwiebelkuchen – 葱油饼 – 🥘 – tab\tnewline\ncr\r<tag> & \"q\" 'a'") },
        { "numbers", numbers },
        { "reals", QVariantList { 0.1, -1e300, 5e-324, 1.0, 0.0, 3.141592653589793 } },
        { "dates",
            QVariantList { utc(2026, 12, 10, 12, 34, 56, 789), utc(1999, 12, 31, 23, 59, 59, 1),
                utc(2001, 1, 1, 0, 0, 0), utc(1850, 3, 4, 5, 6, 7, 999) } },
        { "data", bytes },
        { "flags", QVariantList { true, false } },
        { "filler", filler },
        { "nested",
            QVariantMap { { "a",
                QVariantMap { { "b", QVariantList { QVariantMap { { "c", QString("deep") } } } } } } } },
        { "empties", QVariantList { QVariantMap(), QVariantList(), QString(), QByteArray() } },
        { QString::fromUtf8("ключ"), QString(20, QChar(0x00e9)) },
    };
}

class PropertyListFormats : public ::testing::TestWithParam<Format>
{
};

} // namespace

TEST_P(PropertyListFormats, RoundTripKeepsValuesAndTypes)
{
    Error error;
    const QByteArray bytes = PropertyList::dataWithPropertyList(richValue(), GetParam(), &error);
    ASSERT_FALSE(bytes.isEmpty()) << error.localizedDescription.toStdString();
    Format format = GetParam() == Format::Xml ? Format::Binary : Format::Xml;
    const QVariant back = PropertyList::propertyListWithData(bytes, &format, &error);
    ASSERT_TRUE(back.isValid()) << error.localizedDescription.toStdString();
    EXPECT_EQ(format, GetParam());
    QVariantMap expected = richValue().toMap();
    if (GetParam() == Format::Xml) {
        // XML dates carry whole seconds (rounded down, also before 1970 and 2001).
        expected["dates"] = QVariantList { utc(2026, 12, 10, 12, 34, 56), utc(1999, 12, 31, 23, 59, 59),
            utc(2001, 1, 1, 0, 0, 0), utc(1850, 3, 4, 5, 6, 7) };
    }
    expectSameTree(back, expected);
}

TEST_P(PropertyListFormats, SpecialRealsAndOtherWritableTypes)
{
    const QVariantList in { std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), QVariant(int(-7)), QVariant(uint(7)), QVariant(1.5f),
        QStringList { "a", "b" }, QVariantHash { { "k", 1 } } };
    const QVariant back
        = PropertyList::propertyListWithData(PropertyList::dataWithPropertyList(in, GetParam()));
    const QVariantList list = back.toList();
    ASSERT_EQ(list.size(), in.size());
    EXPECT_TRUE(std::isnan(list[0].toDouble()));
    EXPECT_EQ(list[1].toDouble(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(list[2].toDouble(), -std::numeric_limits<double>::infinity());
    expectSameTree(list.mid(3),
        QVariantList { i64(-7), i64(7), 1.5, QVariantList { "a", "b" }, QVariantMap { { "k", i64(1) } } });
}

TEST_P(PropertyListFormats, UnwritableValuesAreErrors)
{
    const QVariant cases[] = {
        QVariant(),
        QVariantList { QString("ok"), QVariant() },
        QVariantMap { { "size", QSize(1, 2) } },
        QVariant(QDate(2020, 1, 1)),
        QVariant(QDateTime()),
    };
    for (const QVariant& value : cases) {
        Error error;
        EXPECT_TRUE(PropertyList::dataWithPropertyList(value, GetParam(), &error).isEmpty());
        EXPECT_EQ(error.domain, PropertyList::errorDomain());
        EXPECT_EQ(error.code, PropertyList::WriteInvalidError);
        EXPECT_TRUE(error.localizedDescription.contains("cannot hold"))
            << error.localizedDescription.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(, PropertyListFormats, ::testing::Values(Format::Xml, Format::Binary),
    [](const auto& info) { return info.param == Format::Xml ? "Xml" : "Binary"; });

TEST(PropertyList, ReadsFilesWrittenByAnotherImplementation)
{
    Format format;
    const auto binary = PropertyList::dictionaryWithData(fixture("sample.bplist"));
    ASSERT_TRUE(binary.has_value());
    expectSameTree(*binary, fixtureValue(true));

    const QVariant xml
        = PropertyList::propertyListWithContentsOfFile(KITCHORA_TEST_DATA "/sample.xml.plist", &format);
    EXPECT_EQ(format, Format::Xml);
    expectSameTree(xml, fixtureValue(false)); // that writer keeps whole seconds in XML
}

TEST(PropertyList, ReadsHandWrittenXmlForms)
{
    const QByteArray text = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- a comment -->
<plist version="1.0">
<dict>
    <key>hex</key> <integer> 0x1F </integer>
    <key>plus</key><integer>+12</integer>
    <key>whole</key><real>2</real>
    <key>exp</key><real>1.5E3</real>
    <key>data</key><data>
        SGVs
        bG8=
    </data>
    <key>cdata</key><string><![CDATA[a < b]]></string>
    <key>entity</key><string>&#x1F372;&amp;</string>
    <key>empty</key><string/>
    <key>when</key><date>2026-12-10T12:00:00.25Z</date>
</dict>
</plist>
)";
    const auto map = PropertyList::dictionaryWithData(text);
    ASSERT_TRUE(map.has_value());
    expectSameTree(*map,
        QVariantMap { { "hex", i64(31) }, { "plus", i64(12) }, { "whole", 2.0 }, { "exp", 1500.0 },
            { "data", QByteArray("Hello") }, { "cdata", QString("a < b") },
            { "entity", QString::fromUtf8("🍲&") }, { "empty", QString() },
            { "when", utc(2026, 12, 10, 12, 0, 0, 250) } });
    // A bare value without the plist element is accepted, as other readers do.
    expectSameTree(PropertyList::propertyListWithData("<array><true/></array>"), QVariantList { true });
}

TEST(PropertyList, DamagedXmlIsAnErrorWithAReason)
{
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        { "", "empty" },
        { "hello", "" },
        { "{ name = Soup; }", "" },
        { "<plist><dict><key>a</key><string>x</string>", "" },
        { "<plist><dict><key>a</key></dict></plist>", "has no value" },
        { "<plist><dict><string>a</string></dict></plist>", "where a <key> was expected" },
        { "<plist><integer>abc</integer></plist>", "not an integer" },
        { "<plist><integer>99999999999999999999</integer></plist>", "not an integer" },
        { "<plist><integer>-9223372036854775809</integer></plist>", "out of range" },
        { "<plist><real>1.2.3</real></plist>", "not a real number" },
        { "<plist><date>2026-13-01T00:00:00Z</date></plist>", "not a date" },
        { "<plist><date>yesterday</date></plist>", "not a date" },
        { "<plist><data>!!!!</data></plist>", "Base64" },
        { "<plist><true>yes</true></plist>", "holds text" },
        { "<plist><color>red</color></plist>", "unknown element" },
        { "<plist><string>a</string><string>b</string></plist>", "more than one value" },
        { "<plist/>", "holds no value" },
        { "<plist><string>a<b/></string></plist>", "" },
        { "<plist><array>loose text</array></plist>", "unexpected text" },
        { "<plist><string>a</string></plist><plist/>", "" },
    };
    for (const auto& c : cases) {
        Error error;
        const QVariant value = PropertyList::propertyListWithData(QByteArray(c.text), nullptr, &error);
        EXPECT_FALSE(value.isValid()) << c.text;
        EXPECT_EQ(error.code, PropertyList::ReadCorruptError) << c.text;
        EXPECT_TRUE(error.localizedDescription.contains(c.reason))
            << c.text << " -> " << error.localizedDescription.toStdString();
    }
}

TEST(PropertyList, EveryTruncationOfAValidFileIsRefused)
{
    for (Format format : { Format::Xml, Format::Binary }) {
        const QByteArray whole = PropertyList::dataWithPropertyList(richValue(100, 20), format);
        ASSERT_FALSE(whole.isEmpty());
        // Only whitespace may be dropped from the end of XML; every shorter cut is an error.
        const qsizetype step = format == Format::Xml ? 5 : 1;
        for (qsizetype length = 0; length < whole.size() - 1; length += step) {
            Error error;
            const QVariant value = PropertyList::propertyListWithData(whole.left(length), nullptr, &error);
            ASSERT_FALSE(value.isValid()) << "format " << int(format) << " length " << length;
            ASSERT_EQ(error.code, PropertyList::ReadCorruptError);
        }
    }
}

TEST(PropertyList, CorruptedBinaryNeverCrashes)
{
    const QByteArray whole = PropertyList::dataWithPropertyList(richValue(100, 20), Format::Binary);
    // Deterministic damage: every byte of the trailer and offset table, and a stride through the objects,
    // set to values that stress lengths, offsets and markers.
    int errors = 0;
    for (qsizetype at = 0; at < whole.size(); at += (at < 8 || at > whole.size() - 600) ? 1 : 13) {
        for (uchar value : { uchar(0x00), uchar(0xFF), uchar(0x7F), uchar(0x0F), uchar(0xAF), uchar(0xDF) }) {
            QByteArray damaged = whole;
            damaged[at] = char(value);
            Error error;
            if (!PropertyList::propertyListWithData(damaged, nullptr, &error).isValid()) {
                ++errors;
                ASSERT_EQ(error.code, PropertyList::ReadCorruptError);
                ASSERT_FALSE(error.localizedDescription.isEmpty());
            }
        }
    }
    EXPECT_GT(errors, 0);
}

namespace
{

// A binary property list of `count` one-element arrays, each holding the next; the last holds
// `lastRef` (itself for a cycle) or, when lastRef is -1, the integer 1.
QByteArray chainOfArrays(int count, int lastRef)
{
    QByteArray out("bplist00");
    QList<quint32> offsets;
    for (int i = 0; i < count; ++i) {
        offsets << quint32(out.size());
        out.append(char(0xA1));
        const int next = (i == count - 1) ? (lastRef < 0 ? count : lastRef) : i + 1;
        out.append(char(next >> 16)).append(char(next >> 8)).append(char(next));
    }
    offsets << quint32(out.size());
    out.append(char(0x10)).append(char(1));
    const quint32 table = quint32(out.size());
    for (quint32 offset : offsets)
        out.append(char(offset >> 24))
            .append(char(offset >> 16))
            .append(char(offset >> 8))
            .append(char(offset));
    out.append(QByteArray(6, '\0'));
    out.append(char(4)).append(char(3));
    for (quint64 v : { quint64(offsets.size()), quint64(0), quint64(table) })
        for (int b = 7; b >= 0; --b)
            out.append(char(v >> (8 * b)));
    return out;
}

} // namespace

TEST(PropertyList, HostileNestingIsRefused)
{
    const QVariant shallow = PropertyList::propertyListWithData(chainOfArrays(3, -1));
    expectSameTree(shallow, QVariantList { QVariantList { QVariantList { i64(1) } } });

    Error error;
    EXPECT_FALSE(PropertyList::propertyListWithData(chainOfArrays(5, 2), nullptr, &error).isValid());
    EXPECT_TRUE(error.localizedDescription.contains("contains itself"));
    EXPECT_FALSE(PropertyList::propertyListWithData(chainOfArrays(100000, -1), nullptr, &error).isValid());
    EXPECT_TRUE(error.localizedDescription.contains("nested too deeply"));

    QByteArray deepXml = "<plist>" + QByteArray(100000 * 7, ' ') + "</plist>";
    for (int i = 0; i < 100000; ++i)
        deepXml.replace(7 + i * 7, 7, "<array>");
    EXPECT_FALSE(PropertyList::propertyListWithData(deepXml, nullptr, &error).isValid());
    EXPECT_TRUE(error.localizedDescription.contains("nested too deeply"));
}

TEST(PropertyList, SharedObjectsAreDecodedOnce)
{
    // 64 arrays, each holding the next one twice: 2^64 leaves if expanded naively.
    QByteArray out("bplist00");
    QList<quint8> offsets;
    for (int i = 0; i < 64; ++i) {
        offsets << quint8(out.size());
        out.append(char(0xA2)).append(char(i + 1)).append(char(i + 1));
    }
    offsets << quint8(out.size());
    out.append(char(0x09));
    const quint8 table = quint8(out.size());
    for (quint8 offset : offsets)
        out.append(char(offset));
    out.append(QByteArray(6, '\0')).append(char(1)).append(char(1));
    for (quint64 v : { quint64(offsets.size()), quint64(0), quint64(table) })
        for (int b = 7; b >= 0; --b)
            out.append(char(v >> (8 * b)));
    const QVariant value = PropertyList::propertyListWithData(out);
    ASSERT_TRUE(value.isValid());
    EXPECT_EQ(value.toList().size(), 2);
}

TEST(PropertyList, TypedHelpersReportTheWrongTopType)
{
    const QByteArray array = PropertyList::dataWithPropertyList(QVariantList { 1, 2 }, Format::Binary);
    const QByteArray dict = PropertyList::dataWithPropertyList(QVariantMap { { "a", 1 } }, Format::Xml);
    Error error;
    EXPECT_FALSE(PropertyList::dictionaryWithData(array, &error).has_value());
    EXPECT_EQ(error.code, PropertyList::WrongTypeError);
    EXPECT_TRUE(error.localizedDescription.contains("holds an array where a dictionary was expected"))
        << error.localizedDescription.toStdString();
    EXPECT_FALSE(PropertyList::arrayWithData(dict, &error).has_value());
    EXPECT_EQ(error.code, PropertyList::WrongTypeError);
    ASSERT_TRUE(PropertyList::arrayWithData(array).has_value());
    EXPECT_EQ(PropertyList::arrayWithData(array)->size(), 2);

    // A damaged file stays a read error, not a wrong type.
    EXPECT_FALSE(PropertyList::dictionaryWithData("<plist><dict>", &error).has_value());
    EXPECT_EQ(error.code, PropertyList::ReadCorruptError);
}

TEST(PropertyList, FilesAreWrittenAtomicallyAndErrorsNameThePath)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("units.plist");
    Error error;
    ASSERT_TRUE(PropertyList::writePropertyList(QVariantMap { { "cup", 236.6 } }, path, Format::Xml, &error))
        << error.localizedDescription.toStdString();
    const auto read = PropertyList::dictionaryWithContentsOfFile(path, &error);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->value("cup").toDouble(), 236.6);

    // An unwritable value leaves the old file as it was.
    EXPECT_FALSE(
        PropertyList::writePropertyList(QVariantMap { { "bad", QSize() } }, path, Format::Binary, &error));
    EXPECT_EQ(error.code, PropertyList::WriteInvalidError);
    EXPECT_EQ(error.userInfo.value("path").toString(), path);
    EXPECT_TRUE(PropertyList::dictionaryWithContentsOfFile(path).has_value());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { "units.plist" });

    const QString missingFolder = dir.filePath("no/such/folder/x.plist");
    EXPECT_FALSE(PropertyList::writePropertyList(QVariantList {}, missingFolder, Format::Xml, &error));
    EXPECT_EQ(error.code, PropertyList::WriteFailedError);
    EXPECT_TRUE(error.localizedDescription.contains(missingFolder));

    EXPECT_FALSE(PropertyList::propertyListWithContentsOfFile(dir.filePath("missing.plist"), nullptr, &error)
                     .isValid());
    EXPECT_EQ(error.code, PropertyList::ReadNoSuchFileError);
    EXPECT_FALSE(PropertyList::propertyListWithContentsOfFile(dir.path(), nullptr, &error).isValid());
    EXPECT_NE(error.code, 0);
}

TEST(PropertyList, XmlRefusesCharactersItCannotCarryButBinaryKeepsThem)
{
    const QString control = QStringLiteral("bell\x07");
    Error error;
    EXPECT_TRUE(PropertyList::dataWithPropertyList(control, Format::Xml, &error).isEmpty());
    EXPECT_TRUE(error.localizedDescription.contains("U+0007")) << error.localizedDescription.toStdString();
    const QString loneSurrogate = QString(QChar(0xD800));
    EXPECT_TRUE(PropertyList::dataWithPropertyList(loneSurrogate, Format::Xml).isEmpty());

    const QByteArray binary = PropertyList::dataWithPropertyList(control, Format::Binary);
    EXPECT_EQ(PropertyList::propertyListWithData(binary).toString(), control);
}

TEST(PropertyList, EntityExpansionIsBounded)
{
    // Ten levels of ten-fold entity references would expand to ten billion characters.
    QByteArray text = "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY e0 \"aaaaaaaaaa\">";
    for (int level = 1; level <= 9; ++level) {
        text += "<!ENTITY e" + QByteArray::number(level) + " \"";
        for (int k = 0; k < 10; ++k)
            text += "&e" + QByteArray::number(level - 1) + ";";
        text += "\">";
    }
    text += "]><plist><string>&e9;</string></plist>";
    Error error;
    EXPECT_FALSE(PropertyList::propertyListWithData(text, nullptr, &error).isValid());
    EXPECT_EQ(error.code, PropertyList::ReadCorruptError);
}

// A fraction that rounds past the last XML date stays at that date, so what is read writes back;
// a date out of range names itself in the error.
TEST(PropertyList, XmlDatesReadCanBeWrittenBack)
{
    const QVariant read = PropertyList::propertyListWithData(
        "<plist version=\"1.0\"><date>9999-12-31T23:59:59.9999Z</date></plist>");
    ASSERT_TRUE(read.isValid());
    EXPECT_EQ(read.toDateTime(), utc(9999, 12, 31, 23, 59, 59, 999));
    Error error;
    const QByteArray written = PropertyList::dataWithPropertyList(read, Format::Xml, &error);
    EXPECT_TRUE(written.contains("<date>9999-12-31T23:59:59Z</date>"))
        << error.localizedDescription.toStdString();

    EXPECT_TRUE(PropertyList::dataWithPropertyList(
        utc(9999, 12, 31, 23, 59, 59, 999).addMSecs(1), Format::Xml, &error)
                    .isEmpty());
    EXPECT_TRUE(error.localizedDescription.contains("10000-01-01T00:00:00Z"))
        << error.localizedDescription.toStdString();
}
