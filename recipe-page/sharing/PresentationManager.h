#pragma once

#include <QObject>

class QWidget;

// A video call's presentation source: the call asks for a view to show (the state becomes
// Requested), the program hands one over and starts; either side may end it. This desktop has no
// video-chat program that takes a presentation source, so the program runs without a manager; the
// interface is what one would implement. Main thread only.
class PresentationManager : public QObject
{
    Q_OBJECT

public:
    enum State { Inactive = 0, Requested = 1, ShuttingDown = 2, Starting = 3, Pending = 4, Running = 5 };
    // Video optimisation options: the view changes often and shows a full picture.
    static constexpr int kVideoOptimizationReplacement = 3;

    using QObject::QObject;

    virtual State state() const = 0;
    // The view shown to the other side (not owned; nullptr: none).
    virtual void setVideoDataSource(QWidget* view) = 0;
    virtual void setVideoOptimizationOptions(int options) = 0;
    virtual void start() = 0;
    virtual void stop() = 0;

signals:
    void stateChanged();
};
