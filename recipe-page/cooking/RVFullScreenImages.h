#pragma once

#include <QImage>
#include <QString>

// The cooking mode's button and grabber pictures, drawn white on clear: "FS_Play_White",
// "FS_Pause_White", "FS_Speak_White", "FS_SpeakOn_White", "FS_Listen_White", "FS_ListenOn_White",
// "FS_UpArrow_White", "FS_DownArrow_White", "FS_ExitFS_White", "fullscreengrabber",
// "fullscreengrabber-collapsed". A null image for any other name.
namespace RVFullScreenImages
{

QImage imageNamed(const QString& name);

} // namespace RVFullScreenImages
