#pragma once

#include "RemoteControl.h"
#include "RunLoop.h"

#include <memory>
#include <vector>

// Several remote controls seen as one: each device it makes reports to the container's delegate,
// and listening, stopping and exclusive mode go to every device.
class RemoteControlContainer : public RemoteControl
{
public:
    explicit RemoteControlContainer(RemoteControlDelegate delegate);
    ~RemoteControlContainer() override;

    // Makes a device of class T (which offers `static std::unique_ptr<T> create(RemoteControlDelegate)`)
    // with the container's delegate; false when its remote is absent.
    template <typename T> bool instantiateAndAddRemoteControlDeviceWithClass()
    {
        return addRemoteControlDevice(T::create(delegate()));
    }
    int count() const { return int(m_remoteControls.size()); }
    // Announces that whether the container listens may have changed.
    void reset();

    void setListeningToRemote(bool listening) override;
    void startListening() override;
    void stopListening() override;
    void setOpenInExclusiveMode(bool exclusive) override;
    bool isListeningToRemote() const override;
    bool isOpenInExclusiveMode() const override;

private:
    bool addRemoteControlDevice(std::unique_ptr<RemoteControl> device);

    std::vector<std::unique_ptr<RemoteControl>> m_remoteControls;
    RunLoop::Token m_pendingReset = 0;
};
