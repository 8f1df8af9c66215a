#pragma once

#include <QString>

// The folder tree that companion devices and this computer share in the user's Dropbox, and the
// keys of a device's DeviceInfo.plist.
namespace QLMDropboxPathConstants
{

inline const QString QLMDropboxRootKitchoraFolder = QStringLiteral("Kitchora");
inline const QString QLMDropboxDevicesDirectory = QStringLiteral("Devices");
inline const QString QLMDropboxDevicePlistFilename = QStringLiteral("DeviceInfo.plist");
inline const QString QLMDropboxRecipeDirectory = QStringLiteral("Recipes");
inline const QString QLMDropboxRecipePlistFilename = QStringLiteral("Recipes.plist");
inline const QString QLMDropboxRecipeImagesFolderName = QStringLiteral("Images");
inline const QString QLMDropboxGroceryListDirectory = QStringLiteral("Grocery Lists");
inline const QString QLMDropboxGroceryListPlistFilename = QStringLiteral("Groceries.plist");

inline const QString QLMDropboxDeviceUDIDKey = QStringLiteral("UDID");
inline const QString QLMDropboxDeviceTypeKey = QStringLiteral("Device type");
inline const QString QLMDropboxDeviceNameKey = QStringLiteral("User provided device name");
inline const QString QLMDropboxDeviceKitchoraVersionKey = QStringLiteral("Kitchora version");
inline const QString QLMDropboxDeviceGroceryListSupportKey = QStringLiteral("Device supports grocery lists");
inline const QString QLMDropboxDeviceLastDropboxAccessDateKey
    = QStringLiteral("Device last accessed Dropbox on date");
inline const QString QLMDropboxDeviceAPNSDeviceTokenKey = QStringLiteral("Push notification device token");
inline const QString QLMDropboxDeviceUDIDIsActuallyIdentForVendorKey
    = QStringLiteral("useIdentifierForVendor");

} // namespace QLMDropboxPathConstants
