#pragma once

#include "WebRecipeService.h"

class QLMKitchoraCloudAgent;

// The application's road to the web recipe service: the recipe property-list mapping and the
// service client's uploads, without success blocks. The shared client is made on the first upload.
// Main thread only.
class CloudAgentWebRecipeService : public WebRecipeService
{
public:
    // nullptr: the shared client. Not owned; it must outlive this.
    explicit CloudAgentWebRecipeService(QLMKitchoraCloudAgent* agent = nullptr);

    QVariantMap plistFromRecipeMO(const ManagedObject* recipe) override;
    void uploadRecipePlist(const QVariantMap& plist, bool searchFlag) override;
    void uploadImageData(const QByteArray& data, int imageType, const QVariant& recipeID) override;

private:
    QLMKitchoraCloudAgent& agent();

    QLMKitchoraCloudAgent* m_agent;
};
