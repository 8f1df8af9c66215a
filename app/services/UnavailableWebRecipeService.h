#pragma once

#include "WebRecipeService.h"

// The web recipe service until the program wires one in: no recipe has a property list, so
// nothing is uploaded.
class UnavailableWebRecipeService : public WebRecipeService
{
public:
    QVariantMap plistFromRecipeMO(const ManagedObject*) override { return {}; }
    void uploadRecipePlist(const QVariantMap&, bool) override { }
    void uploadImageData(const QByteArray&, int, const QVariant&) override { }
};
