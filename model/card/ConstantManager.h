#pragma once

#include <QMap>
#include <QString>
#include <map>
#include <mutex>

// Group keys: one group per recipe field.
inline const QString KRNameConstantGroup = QStringLiteral("KRNameConstantGroup");
inline const QString KRDescriptionConstantGroup = QStringLiteral("KRDescriptionConstantGroup");
inline const QString KRYieldConstantGroup = QStringLiteral("KRYieldConstantGroup");
inline const QString KRTotalTimeConstantGroup = QStringLiteral("KRTotalTimeConstantGroup");
inline const QString KRKitchenConstantGroup = QStringLiteral("KRKitchenConstantGroup");
inline const QString KRCategoryConstantGroup = QStringLiteral("KRCategoryConstantGroup");
inline const QString KRCuisineConstantGroup = QStringLiteral("KRCuisineConstantGroup");
inline const QString KRIngredientConstantGroup = QStringLiteral("KRIngredientConstantGroup");
inline const QString KRDirectionConstantGroup = QStringLiteral("KRDirectionConstantGroup");
inline const QString KRNoteConstantGroup = QStringLiteral("KRNoteConstantGroup");
inline const QString KROnlineIDConstantGroup = QStringLiteral("KROnlineIDConstantGroup");

// Constant keys: which fact about a field.
inline const QString RVValueConstantKey = QStringLiteral("RVValueConstantKey");
inline const QString RVPlaceholderConstantKey = QStringLiteral("RVPlaceholderConstantKey");
inline const QString RVLabelConstantKey = QStringLiteral("RVLabelConstantKey");
inline const QString RVLabelValueConstantKey = QStringLiteral("RVLabelValueConstantKey");
inline const QString RVHeadingConstantKey = QStringLiteral("RVHeadingConstantKey");
// Another name for the heading key, not a key of its own: the card's heading runs carry the
// heading text itself.
inline const QString RVHeadingValueConstantKey = QStringLiteral("RVHeadingConstantKey");
inline const QString RIChoiceConstantKey = QStringLiteral("RIChoiceConstantKey");

// Values of the label attribute on the card's field labels.
inline const QString RVYieldLabelAttribute = QStringLiteral("RVYieldLabelAttribute");
inline const QString RVTotalTimeLabelAttribute = QStringLiteral("RVTotalTimeLabelAttribute");
inline const QString RVKitchenLabelAttribute = QStringLiteral("RVKitchenLabelAttribute");
inline const QString RVCategoryLabelAttribute = QStringLiteral("RVCategoryLabelAttribute");
inline const QString RVCuisineLabelAttribute = QStringLiteral("RVCuisineLabelAttribute");

// Constant key -> constant. A constant that a group lacks reads as a null QString.
using ConstantGroup = QMap<QString, QString>;

// The registry that describes every recipe field in one place, so that the card, its parser,
// the placeholders and the import window never spell field names themselves. Filled once at
// launch on the main thread, read-only afterwards.
//
// Reads may come from any thread. Code that may run off the main thread wraps its one lookup in
// lock()/unlock() (or a std::lock_guard, the manager being lockable); the lock is not recursive
// and the manager's own methods never take it.
class ConstantManager
{
public:
    ConstantManager() = default;
    ConstantManager(const ConstantManager&) = delete;
    ConstantManager& operator=(const ConstantManager&) = delete;

    static ConstantManager& defaultManager();

    // Fill the default manager's groups; run once at launch, viewing constants first.
    static void importRecipeViewingConstants();
    static void importRecipeImportConstants();

    void lock() { m_managerLock.lock(); }
    void unlock() { m_managerLock.unlock(); }

    QString constantForKey(const QString& constantKey, const QString& groupKey) const;
    // The live group, or nullptr.
    ConstantGroup* constantGroupForGroupKey(const QString& groupKey);
    const ConstantGroup* constantGroupForGroupKey(const QString& groupKey) const;
    // Group key -> constant, for every group holding one under constantKey.
    QMap<QString, QString> constantsByGroupWithConstantKey(const QString& constantKey) const;
    // The group holding value under any key, or nullptr; compares case-sensitively.
    const ConstantGroup* constantGroupForConstant(const QString& value) const;
    QString groupKeyForConstant(const QString& value) const;

    // Merges into an existing group (equal keys take the new constants) or stores a new one.
    void addConstantGroupFromDictionary(const ConstantGroup& dictionary, const QString& groupKey);
    // Sets one constant, creating the group when missing.
    void addConstantGroup(const QString& groupKey, const QString& constant, const QString& constantKey);
    // Sets one constant in an existing group; a missing group stays missing.
    void setConstant(const QString& constant, const QString& constantKey, const QString& groupKey);

private:
    std::map<QString, ConstantGroup> m_constants;
    std::mutex m_managerLock;
};
