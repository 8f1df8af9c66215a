#include "RemoteControlContainer.h"

RemoteControlContainer::RemoteControlContainer(RemoteControlDelegate delegate)
    : RemoteControl(std::move(delegate))
{
}

RemoteControlContainer::~RemoteControlContainer()
{
    if (m_pendingReset)
        RunLoop::cancel(m_pendingReset);
    // The devices stop before they go, and tell nobody: the container is going too.
    for (const auto& device : m_remoteControls)
        device->setListeningToRemoteObserver(nullptr);
    stopListening();
}

bool RemoteControlContainer::addRemoteControlDevice(std::unique_ptr<RemoteControl> device)
{
    if (!device)
        return false;
    device->setListeningToRemoteObserver([this] { reset(); });
    m_remoteControls.push_back(std::move(device));
    return true;
}

void RemoteControlContainer::reset()
{
    didChangeListeningToRemote();
}

void RemoteControlContainer::setListeningToRemote(bool listening)
{
    for (const auto& device : m_remoteControls)
        device->setListeningToRemote(listening);
    if (listening && !isListeningToRemote() && !m_pendingReset)
        m_pendingReset = RunLoop::postAfterDelay(0.01, [this] {
            m_pendingReset = 0;
            reset();
        });
}

void RemoteControlContainer::startListening()
{
    for (const auto& device : m_remoteControls)
        device->startListening();
}

void RemoteControlContainer::stopListening()
{
    for (const auto& device : m_remoteControls)
        device->stopListening();
}

void RemoteControlContainer::setOpenInExclusiveMode(bool exclusive)
{
    for (const auto& device : m_remoteControls)
        device->setOpenInExclusiveMode(exclusive);
}

bool RemoteControlContainer::isListeningToRemote() const
{
    for (const auto& device : m_remoteControls)
        if (device->isListeningToRemote())
            return true;
    return false;
}

bool RemoteControlContainer::isOpenInExclusiveMode() const
{
    for (const auto& device : m_remoteControls)
        if (!device->isOpenInExclusiveMode())
            return false;
    return true;
}
