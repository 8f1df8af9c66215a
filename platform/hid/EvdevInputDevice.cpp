#include "EvdevInputDevice.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

std::unique_ptr<EvdevInputDevice> EvdevInputDevice::openPath(const QString& devicePath)
{
    const int fd = ::open(devicePath.toLocal8Bit().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    libevdev* device = nullptr;
    if (libevdev_new_from_fd(fd, &device) < 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<EvdevInputDevice>(new EvdevInputDevice(fd, device));
}

EvdevInputDevice::EvdevInputDevice(int fd, libevdev* device)
    : m_fd(fd)
    , m_device(device)
{
}

EvdevInputDevice::~EvdevInputDevice()
{
    close();
}

InputDevice::OpenResult EvdevInputDevice::open(bool seize)
{
    if (!m_device)
        return OpenResult::Error;
    if (!seize || m_grabbed)
        return OpenResult::Success;
    const int result = libevdev_grab(m_device, LIBEVDEV_GRAB);
    if (result == -EBUSY)
        return OpenResult::ExclusiveAccess;
    if (result < 0)
        return OpenResult::Error;
    m_grabbed = true;
    return OpenResult::Success;
}

QList<int> EvdevInputDevice::keyCodes() const
{
    QList<int> codes;
    if (!m_device || !libevdev_has_event_type(m_device, EV_KEY))
        return codes;
    for (int code = 0; code <= KEY_MAX; ++code)
        if (libevdev_has_event_code(m_device, EV_KEY, code))
            codes.append(code);
    return codes;
}

bool EvdevInputDevice::startEvents(EventHandler handler)
{
    if (!m_device || m_notifier)
        return false;
    m_handler = std::move(handler);
    m_notifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { readAvailable(); });
    return m_notifier->isValid();
}

void EvdevInputDevice::readAvailable()
{
    QList<InputEvent> events;
    unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
    for (;;) {
        input_event event {};
        const int status = libevdev_next_event(m_device, flags, &event);
        if (status == LIBEVDEV_READ_STATUS_SYNC) {
            // The kernel dropped events; libevdev replays the device's state, which we take too.
            flags = LIBEVDEV_READ_FLAG_SYNC;
            events.append({ event.type, event.code, event.value });
            continue;
        }
        if (status == LIBEVDEV_READ_STATUS_SUCCESS) {
            events.append({ event.type, event.code, event.value });
            continue;
        }
        if (status == -EAGAIN && flags == LIBEVDEV_READ_FLAG_SYNC) {
            flags = LIBEVDEV_READ_FLAG_NORMAL;
            continue;
        }
        if (status != -EAGAIN)
            stopNotifier(); // unplugged or broken: a dead node would wake us forever
        break;
    }
    if (events.isEmpty())
        return;
    // The handler may close or destroy this device; nothing of it is touched afterwards.
    const EventHandler handler = m_handler;
    if (handler)
        handler(events);
}

void EvdevInputDevice::stopNotifier()
{
    if (!m_notifier)
        return;
    m_notifier->setEnabled(false);
    QObject::disconnect(m_notifier, nullptr, nullptr, nullptr);
    m_notifier->deleteLater();
    m_notifier = nullptr;
}

void EvdevInputDevice::close()
{
    stopNotifier();
    m_handler = nullptr;
    if (m_device) {
        if (m_grabbed)
            libevdev_grab(m_device, LIBEVDEV_UNGRAB);
        libevdev_free(m_device);
        m_device = nullptr;
    }
    m_grabbed = false;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
