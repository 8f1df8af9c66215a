#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

class ManagedObject;

// What the search engine asks of the web recipe service client: pages of search results, recipes
// by their web identifiers, pictures, and new recipes of the main context from their property
// lists. Every request returns at once and answers later on the main thread, exactly once: with
// the parsed reply, or (after the client's own retries) with a message saying why not.
class WebSearchService
{
public:
    using Reply = std::function<void(const QVariant& reply)>;
    using Failure = std::function<void(const QString& message)>;

    virtual ~WebSearchService() = default;

    // The reply is a list of result dictionaries.
    virtual void searchForTerms(const QStringList& terms, quint64 page, Reply success, Failure failure) = 0;
    // The reply is a list of recipe property lists.
    virtual void recipesForRecipeIDs(const QVariantList& recipeIDs, Reply success, Failure failure) = 0;
    // The reply is the picture's bytes.
    virtual void imageForRecipeID(const QVariant& recipeID, Reply success, Failure failure) = 0;
    // A new recipe in the main context, or nullptr when the property list makes none.
    virtual ManagedObject* recipeManagedObjectFromPlist(const QVariantMap& plist) = 0;
};
