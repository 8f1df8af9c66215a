#include "HIDRemoteControlDevice.h"

#include "Log.h"
#include "UserDefaults.h"

#include <QStringList>
#include <linux/input-event-codes.h>

namespace
{
// An element that every burst of the remotes carries; it tells nothing about the button.
constexpr int IgnoredCookie = 5;
} // namespace

HIDRemoteControlDevice::HIDRemoteControlDevice(RemoteControlDelegate delegate, InputDeviceMatching matching)
    : RemoteControl(std::move(delegate))
    , m_matching(matching)
{
}

HIDRemoteControlDevice::~HIDRemoteControlDevice()
{
    removeFinishedObserver();
    stopListening();
}

void HIDRemoteControlDevice::setUp()
{
    setCookieMappingInDictionary(m_cookieToButtonMapping);
    m_supportedButtonEvents = 0;
    for (int identifier : std::as_const(m_cookieToButtonMapping))
        m_supportedButtonEvents |= unsigned(identifier);
    m_fixSecureEventInputBug
        = UserDefaults::standardUserDefaults().boolForKey(FixSecureEventInputBugDefaultsKey);
}

void HIDRemoteControlDevice::setCookieMappingInDictionary(QMap<QString, int>&)
{
}

std::optional<InputDeviceService> HIDRemoteControlDevice::findRemoteDevice(
    const InputDeviceMatching& matching)
{
    return InputDeviceBackend::shared().findDevice(matching);
}

bool HIDRemoteControlDevice::isRemoteAvailable(const InputDeviceMatching& matching)
{
    return findRemoteDevice(matching).has_value();
}

bool HIDRemoteControlDevice::sendsEventForButtonIdentifier(int identifier) const
{
    return (unsigned(identifier) & m_supportedButtonEvents) == unsigned(identifier);
}

bool HIDRemoteControlDevice::isListeningToRemote() const
{
    return m_hidDeviceInterface && m_allCookies && m_queue;
}

void HIDRemoteControlDevice::setListeningToRemote(bool listening)
{
    if (listening)
        startListening();
    else
        stopListening();
}

void HIDRemoteControlDevice::startListening()
{
    if (isListeningToRemote())
        return;
    // (The secure-event-input workaround has nothing to switch on this platform; the preference is
    // only read.)
    removeFinishedObserver();
    const std::optional<InputDeviceService> service = findRemoteDevice(m_matching);
    if (!service)
        return;
    m_hidDeviceInterface = InputDeviceBackend::shared().createDeviceInterface(*service);
    if (!m_hidDeviceInterface) {
        Log::log(QStringLiteral("Error: Couldn't create HID class device interface"));
        return;
    }
    if (initializeCookies() && openDevice() == OpenOutcome::Opened) {
        didChangeListeningToRemote();
        return;
    }
    // Whatever was taken is given back, a seized device above all: others could not use it.
    releaseDevice();
}

bool HIDRemoteControlDevice::initializeCookies()
{
    const QMap<int, int> keys = keyCodeToButtonMapping();
    QList<int> cookies;
    for (int code : m_hidDeviceInterface->keyCodes()) {
        if (!keys.contains(code))
            continue;
        for (const HIDElementEvent& element : elementEventsForInputEvent({ EV_KEY, code, 1 }))
            if (!cookies.contains(element.cookie))
                cookies.append(element.cookie);
    }
    m_allCookies = cookies;
    return true;
}

HIDRemoteControlDevice::OpenOutcome HIDRemoteControlDevice::openDevice()
{
    switch (m_hidDeviceInterface->open(m_openInExclusiveMode)) {
    case InputDevice::OpenResult::Success:
        break;
    case InputDevice::OpenResult::ExclusiveAccess: {
        DistributedNotificationCenter& center = DistributedNotificationCenter::defaultCenter();
        m_finishedObserver = center.addObserver(FinishedUsingRemoteControlNotification,
            [this](const QString&, const QVariantMap&) { remoteControlAvailable(); });
        if (m_finishedObserver != 0)
            m_finishedCenter = &center;
        sendRequestForRemoteControlNotification(remoteControlDeviceName());
        return OpenOutcome::Waiting;
    }
    case InputDevice::OpenResult::Error:
        return OpenOutcome::Failed;
    }
    if (!m_hidDeviceInterface->startEvents(
            [this](const QList<InputEvent>& events) { handleInputEvents(events); })) {
        Log::log(QStringLiteral("Error when creating async event source"));
        return OpenOutcome::Failed;
    }
    m_queue = true;
    return OpenOutcome::Opened;
}

void HIDRemoteControlDevice::remoteControlAvailable()
{
    removeFinishedObserver();
    startListening();
}

void HIDRemoteControlDevice::removeFinishedObserver()
{
    if (m_finishedCenter)
        m_finishedCenter->removeObserver(m_finishedObserver);
    m_finishedCenter = nullptr;
    m_finishedObserver = 0;
}

void HIDRemoteControlDevice::releaseDevice()
{
    m_queue = false;
    m_allCookies.reset();
    if (m_hidDeviceInterface)
        m_hidDeviceInterface->close();
    m_hidDeviceInterface.reset();
}

void HIDRemoteControlDevice::stopListening()
{
    // A device told to stop no longer waits to be handed the remote either: it would otherwise
    // seize it later, with nobody listening.
    removeFinishedObserver();
    if (!isListeningToRemote())
        return;
    const bool hadQueue = m_queue;
    releaseDevice();
    if (m_openInExclusiveMode && hadQueue)
        sendFinishedNotifcationForAppIdentifier(QString(), remoteControlDeviceName());
    didChangeListeningToRemote();
}

QList<HIDElementEvent> HIDRemoteControlDevice::elementEventsForInputEvent(const InputEvent& event) const
{
    if (event.type != EV_KEY || (event.value != 0 && event.value != 1))
        return {};
    const int identifier = keyCodeToButtonMapping().value(event.code, 0);
    if (identifier == 0)
        return {};
    const QString cookieString = m_cookieToButtonMapping.key(identifier);
    QList<HIDElementEvent> elements;
    for (const QString& cookie : cookieString.split(QLatin1Char('_'), Qt::SkipEmptyParts))
        elements.append({ cookie.toInt(), event.value });
    return elements;
}

void HIDRemoteControlDevice::handleInputEvents(const QList<InputEvent>& events)
{
    QList<HIDElementEvent> elements;
    for (const InputEvent& event : events)
        elements.append(elementEventsForInputEvent(event));
    if (!elements.isEmpty())
        handleElementEvents(elements);
}

void HIDRemoteControlDevice::handleElementEvents(const QList<HIDElementEvent>& events)
{
    int sumOfValues = 0;
    QString cookieString;
    for (const HIDElementEvent& event : events) {
        if (event.cookie == IgnoredCookie)
            continue;
        sumOfValues += event.value;
        cookieString += QString::number(event.cookie) + QLatin1Char('_');
    }
    handleEventWithCookieString(cookieString, sumOfValues);
}

QString HIDRemoteControlDevice::validCookieSubstring(const QString& cookieString) const
{
    for (auto it = m_cookieToButtonMapping.cbegin(); it != m_cookieToButtonMapping.cend(); ++it)
        if (cookieString.startsWith(it.key()))
            return it.key();
    return {};
}

void HIDRemoteControlDevice::handleEventWithCookieString(const QString& cookieString, int sumOfValues)
{
    if (cookieString.isEmpty())
        return;
    const auto exact = m_cookieToButtonMapping.constFind(cookieString);
    if (exact != m_cookieToButtonMapping.cend()) {
        sendRemoteButtonEvent(exact.value(), sumOfValues > 0);
        return;
    }
    // A backlog: several events ran together in one burst.
    QString rest = cookieString;
    QString lastKey;
    while (!rest.isEmpty()) {
        const QString key = validCookieSubstring(rest);
        if (key.isEmpty())
            break;
        rest.remove(0, key.size());
        lastKey = key;
        if (m_processesBacklog)
            handleEventWithCookieString(key, sumOfValues);
    }
    // Without backlog processing the burst stands for its last button, pressed when the burst
    // pressed anything: reporting it as a release would lose the press the user made.
    if (!m_processesBacklog && !lastKey.isEmpty())
        handleEventWithCookieString(lastKey, sumOfValues);
    if (!rest.isEmpty())
        Log::logf(QStringLiteral("Unknown button for cookiestring %1"), rest);
}

void HIDRemoteControlDevice::sendRemoteButtonEvent(int identifier, bool pressedDown)
{
    if (delegate())
        delegate()(identifier, pressedDown, this);
}
