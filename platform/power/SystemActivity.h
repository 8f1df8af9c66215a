#pragma once

// Tells the desktop the user is active, so the screen neither dims nor locks while nobody touches
// the machine (a cook's hands are busy). Through org.freedesktop.ScreenSaver on the session bus.
namespace SystemActivity
{

// 0 when the desktop took the activity; non-zero when there is no session bus or no screen saver
// service answered.
int updateSystemActivity();

} // namespace SystemActivity
