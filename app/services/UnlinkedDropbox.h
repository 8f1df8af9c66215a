#pragma once

#include "DropboxService.h"

// Device sharing until it is built: no account is linked and this computer has no device
// folder, so nothing is deleted and no completion is called.
class UnlinkedDropbox : public DropboxService
{
public:
    bool isLinked() const override { return false; }
    void deleteOwnFolderAndUnlink(std::function<void()>) override { }
    void readArrayOfDevicePlists(std::function<void(const QList<QLMKitchoraDevice>&)>) override { }
};
