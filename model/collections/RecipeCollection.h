#pragma once

#include "AttributedString.h"
#include "BaseMO.h"

#include <QString>
#include <QVariant>
#include <optional>

// Stored values of a collection's "kind". The first seven keep their historical "RB" prefix;
// they are written to stores, so they never change.
inline const QString KRCollectionKindMainLibrary = QStringLiteral("RBCollectionKindMainLibrary");
inline const QString KRCollectionKindSearchCache = QStringLiteral("RBCollectionKindSearchCache");
inline const QString KRCollectionKindImportedCollection
    = QStringLiteral("RBCollectionKindImportedCollection");
inline const QString KRCollectionKindRecentlyCookedCollection
    = QStringLiteral("RBCollectionKindRecentlyCookedCollection");
inline const QString KRCollectionKindManualCollection = QStringLiteral("RBCollectionKindManualCollection");
inline const QString KRCollectionKindSmartCollection = QStringLiteral("RBCollectionKindSmartCollection");
inline const QString KRCollectionKindFolder = QStringLiteral("RBCollectionKindFolder");
inline const QString KRCollectionKindGroceryListsCollection
    = QStringLiteral("KRCollectionKindGroceryListsCollection");
inline const QString KRCollectionKindDevicesFolder = QStringLiteral("KRCollectionKindDevicesFolder");
inline const QString KRCollectionKindDeviceCollection = QStringLiteral("KRCollectionKindDeviceCollection");

inline const QString KRCollectionDefaultName = QStringLiteral("untitled collection");
inline const QString KRCollectionDefaultFolderName = QStringLiteral("untitled folder");

// Integer user default: how many recipes the recent-imports collection keeps.
inline const QString KRSavedImportsCount = QStringLiteral("KRSavedImportsCount");

// A stored group of recipes shown in the source list. Subclasses decide what the group holds;
// this class keeps names unique, builds the source-list title and answers the kind tests.
class RecipeCollection : public BaseMO
{
public:
    // Kind tests: each compares the stored "kind" with one constant.
    bool isLibrary() const;
    bool isSearchCache() const;
    bool isImportCollection() const;
    bool isRecentlyCookedCollection() const;
    bool isGroceryListsCollection() const;
    bool isDeviceCollection() const;
    bool isDevicesFolder() const;
    // The built-in collections: any of the seven tests above.
    bool isInvincible() const;

    virtual bool canAdd() const;
    virtual bool allowsSubRecipes() const { return false; }
    virtual bool canEditPredicate() const { return false; }
    virtual bool isSmartCollection() const { return false; }
    // Null for a plain collection.
    virtual QString summaryString() const { return QString(); }

    // The icon's name: the override when one is set, else the subclass's own.
    virtual QString collectionImageName() const;
    virtual void setCollectionImageName(const QString& imageName);

    QString name() const;
    // Stores a name no other collection of the store bears: "name", else "name 1", "name 2", ...
    void setName(const QString& name);
    // The source-list title: a space and the name, after the icon when there is one. Cached.
    AttributedString nameWithImage() const;
    void setNameWithImage(const QString& name);
    AttributedString nameWithoutImage() const;
    // An empty value (by isEmpty) is ignored, so a cleared field never blanks a name.
    void setNameWithoutImage(const QString& name);

    QVariant index() const;
    void setIndex(const QVariant& index);

    // Drops every recipe but the newest KRSavedImportsCount ones; only the recent-imports
    // collection acts. The recipes stay in the store and in the library.
    void trimImportCollection();

    QVariant valueForKey(const QString& key) const override;
    void setValueForKey(const QVariant& value, const QString& key) override;
    QStringList keyPathsForValuesAffectingValueForKey(const QString& key) const override;

    void awakeFromInsert() override;
    void awakeFromFetch() override;
    void willTurnIntoFault() override;

protected:
    using Super = BaseMO;

    // The subclass's icon when no override is set.
    virtual QString defaultCollectionImageName() const;
    QString collectionImageNameOverride() const { return m_collectionImageName; }
    // "1 recipe, 0.33 days": the count and the days of cooking at three recipes a day.
    static QString recipeSummary(qsizetype count);
    void dropCachedTitle() { m_cachedNameWithImage.reset(); }

private:
    QString m_collectionImageName;
    mutable std::optional<AttributedString> m_cachedNameWithImage;
};
