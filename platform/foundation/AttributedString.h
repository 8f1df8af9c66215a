#pragma once

#include "ParagraphStyle.h"
#include "Range.h"
#include "TextAttachment.h"

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <vector>

// Standard attribute names. Values: QFont, QColor, ParagraphStyle, TextAttachment.
inline const QString NSFontAttributeName = QStringLiteral("NSFont");
inline const QString NSForegroundColorAttributeName = QStringLiteral("NSColor");
inline const QString NSParagraphStyleAttributeName = QStringLiteral("NSParagraphStyle");
inline const QString NSAttachmentAttributeName = QStringLiteral("NSAttachment");

// The character that carries a TextAttachment.
constexpr char16_t NSAttachmentCharacter = u'\uFFFC';

// Text with attributes: a UTF-16 string whose every code unit belongs to one run of attributes.
// Indexes and ranges count UTF-16 code units, so a character outside the BMP spans two.
//
// Adjacent runs with equal attributes are always merged, so the runs are the longest stretches
// of equal attributes and effective ranges are the longest ones.
//
// Out-of-range input never crashes: queries at an index outside the text answer no attributes
// with the effective range {Range::NotFound, 0}; ranges given to substring and editing
// operations are clipped to the text (a location past the end means the end).
class AttributedString
{
public:
    using AttributeBlock = std::function<void(const QVariant& value, Range range, bool& stop)>;
    using AttributesBlock = std::function<void(const QVariantMap& attributes, Range range, bool& stop)>;

    AttributedString() = default;
    explicit AttributedString(const QString& string, const QVariantMap& attributes = {});

    const QString& string() const { return m_string; }
    qsizetype length() const { return m_string.size(); }

    // The attributes at index; effectiveRange receives the whole run that shares them.
    QVariantMap attributesAtIndex(qsizetype index, Range* effectiveRange = nullptr) const;
    // As above, with the run clipped to inRange. An index outside inRange counts as out of range.
    QVariantMap attributesAtIndexLongestEffectiveRange(
        qsizetype index, Range* longestEffectiveRange, Range inRange) const;
    // The value of one attribute (invalid when absent); the range is the longest stretch around
    // index over which that attribute has the same value (or is absent throughout).
    QVariant attributeAtIndex(const QString& name, qsizetype index, Range* effectiveRange = nullptr) const;
    QVariant attributeAtIndexLongestEffectiveRange(
        const QString& name, qsizetype index, Range* longestEffectiveRange, Range inRange) const;

    AttributedString attributedSubstringFromRange(Range range) const;

    // Calls block for each stretch of range over which the attribute keeps one value (invalid
    // where absent), in order, until block sets stop.
    void enumerateAttribute(const QString& name, Range range, const AttributeBlock& block) const;
    // Calls block for each run overlapping range, clipped to it, in order, until block sets stop.
    void enumerateAttributesInRange(Range range, const AttributesBlock& block) const;

    bool operator==(const AttributedString& other) const;

protected:
    struct Run {
        qsizetype start = 0;
        QVariantMap attributes;
        bool operator==(const Run&) const = default;
    };

    static const std::vector<Run>& runsOf(const AttributedString& string) { return string.m_runs; }
    Range clipped(Range range) const;
    // The run holding index; index must be inside the text.
    std::size_t runIndexAt(qsizetype index) const;
    qsizetype runEnd(std::size_t run) const;
    // The longest stretch around the run at index over which name keeps its value, inside limit.
    Range attributeRange(const QString& name, std::size_t run, Range limit) const;

    QString m_string;
    // Sorted by start; the first starts at 0; empty exactly when the text is.
    std::vector<Run> m_runs;
};

class MutableAttributedString : public AttributedString
{
public:
    MutableAttributedString() = default;
    explicit MutableAttributedString(const QString& string, const QVariantMap& attributes = {});
    MutableAttributedString(const AttributedString& other)
        : AttributedString(other)
    {
    }

    // New characters take the attributes of the first replaced character or, when nothing is
    // replaced, of the character before the range (else the one after it).
    void replaceCharactersInRange(Range range, const QString& string);
    void replaceCharactersInRange(Range range, const AttributedString& string);
    void insertAttributedString(const AttributedString& string, qsizetype location);
    void appendAttributedString(const AttributedString& string);
    void deleteCharactersInRange(Range range);

    void setAttributes(const QVariantMap& attributes, Range range);
    // An invalid value adds nothing.
    void addAttribute(const QString& name, const QVariant& value, Range range);
    void addAttributes(const QVariantMap& attributes, Range range);
    void removeAttribute(const QString& name, Range range);

    // Bracket a batch of edits. Every edit keeps the runs merged, so there is nothing to defer;
    // the pair only nests.
    void beginEditing() { ++m_editingDepth; }
    void endEditing();
    bool isEditing() const { return m_editingDepth > 0; }

private:
    // Makes a run start at index (when inside the text) and answers its position in m_runs;
    // m_runs.size() when index is at or past the end.
    std::size_t splitAt(qsizetype index);
    // Merges equal neighbours among runs [first - 1, last].
    void coalesce(std::size_t first, std::size_t last);
    void replace(Range range, const QString& text, const std::vector<Run>& runs);
    template <typename Change> void changeAttributes(Range range, Change change);

    int m_editingDepth = 0;
};

Q_DECLARE_METATYPE(AttributedString)
Q_DECLARE_METATYPE(MutableAttributedString)
