#pragma once

#include "Range.h"
#include "VRCRecipe.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

// Tags of the card lines.
inline const QString VRCBeginTag = QStringLiteral("BEGIN");
inline const QString VRCVersionTag = QStringLiteral("VERSION");
inline const QString VRCNameTag = QStringLiteral("NAME");
inline const QString VRCOnlineIDTag = QStringLiteral("ONLINEID");
inline const QString VRCCategoryTag = QStringLiteral("CATEGORY");
inline const QString VRCCuisineTag = QStringLiteral("CUISINE");
inline const QString VRCDescriptionTag = QStringLiteral("DESCRIPTION");
inline const QString VRCYieldTag = QStringLiteral("YIELD");
inline const QString VRCCookTimeTag = QStringLiteral("COOKTIME");
inline const QString VRCTotalTimeTag = QStringLiteral("TOTALTIME");
inline const QString VRCKitchenTag = QStringLiteral("KITCHEN");
inline const QString VRCRatingTag = QStringLiteral("RATING");
inline const QString VRCIngredientTag = QStringLiteral("ING");
inline const QString VRCDirectionTag = QStringLiteral("DIR");
inline const QString VRCNoteTag = QStringLiteral("NOTE");
inline const QString VRCEndTag = QStringLiteral("END");

inline const QString VRCMaxSupportedVersionString = QStringLiteral("1.0");

// Reads Virtual Recipe Card text into plain VRCRecipe values. Never fails on bad text: lines it
// cannot use are logged and skipped, and only whole cards (BEGIN to END) are answered.
class VRCReader
{
public:
    VRCReader();
    explicit VRCReader(const QString& string);
    virtual ~VRCReader() = default;

    // Loads the text of a file ("~" stands for the home folder): UTF-8, else the encoding its
    // byte-order mark names, else ASCII with every other byte replaced (logged). Answers false,
    // keeping the current text, when the file cannot be read.
    bool initWithContentsOfFile(const QString& path);

    const QString& string() const { return m_workingString; }
    void setString(const QString& string) { m_workingString = string; }

    const QStringList& allTags() const { return m_allTags; }
    // Tag to the property key its value is set under.
    const QHash<QString, QString>& quickKeyTranslationTags() const { return m_quickKeyTranslationTags; }

    // One recipe per whole card, in the order of their END lines.
    QList<VRCRecipe> vrcObjects() const;

protected:
    // The text as the readers walk it: where its lines lie (as lineArray gives them: indent
    // trimmed, terminator kept), so that a reader which stops early can hand back the rest with
    // its line breaks untouched.
    struct WorkingLines {
        QString text;
        QList<Range> ranges;

        qsizetype count() const { return ranges.size(); }
        QStringView line(qsizetype index) const;
        // The text from the start of line on; empty when line is past the end.
        QString remainderFrom(qsizetype line) const;
    };
    static WorkingLines workingLines(const QString& string);

    static bool hasStartMarker(QStringView line);
    static bool hasEndMarker(QStringView line);
    // A BEGIN or END line as written: a value that lacks its end marker stops before it.
    static bool isCardBoundary(QStringView trimmedLine);
    // The multi-line value that starts at line index (which holds a start marker), without its
    // markers and trimmed; index moves to the last line it took.
    static QString multilineValue(const WorkingLines& working, qsizetype& index);
    // The tag before the first ":" and the whole rest; no ":" gives the line and an empty value.
    static std::pair<QString, QString> tagAndValue(const QString& line);
    // The leading integer of a text, as an item index is read: "12abc" is 12, "x" is 0.
    static qint64 integerValue(const QString& text);
    // A line as it goes into a log message; very long lines are shortened.
    static QString loggable(const QString& line);

    void setQuickKeyTranslationTags(const QHash<QString, QString>& tags) { m_quickKeyTranslationTags = tags; }

    void parseLine(const QString& line, VRCRecipe& object) const;
    void parseIngredientLine(const QString& value, VRCRecipe& object) const;
    void parseDirectionLine(const QString& value, VRCRecipe& object) const;
    void parseNoteLine(const QString& value, VRCRecipe& object) const;

private:
    QString m_workingString;
    QStringList m_allTags;
    QHash<QString, QString> m_quickKeyTranslationTags;
};
