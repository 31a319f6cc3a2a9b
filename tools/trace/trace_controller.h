// What the user has asked of the traced work through the window: that it
// stop (the window is to close, or something else is to be traced) and what
// to trace next. The window tells it what the user did, the traced work's
// thread asks it whether to stop, and the program takes the next choice
// from it.
#pragma once

#include <atomic>
#include <mutex>

#include "tools/trace/trace_choice.h"

class TraceController {
public:
    TraceController();

    // The traced work is to end: the user has asked to close the window (and
    // the work's end then closes it), or has chosen something else to trace.
    bool WorkToStop() const { return workToStop; }
    const std::atomic<bool>* StopFlag() const { return &workToStop; }

    // New traced work begins; it is to stop at once when the window closes.
    void WorkStarted();
    // The traced work has ended; true when the window is to close now:
    // closeWindow, or the user has asked for it.
    bool WorkEnded(bool closeWindow);
    // From either thread: what the work traces now, for the menu's checks.
    void Tracing(const TraceChoice& choice);
    // True, with the choice and what was traced when it was taken, when the
    // user has chosen in the menu something else to trace and the window
    // stays; the choice is then taken.
    bool TakeNewChoice(TraceChoice* choice, TraceChoice* tracedBefore);

    // What is traced, for the menu.
    TraceChoice Traced() const;
    // The user has chosen in the menu: the work stops for the choice.
    void Chosen(const TraceChoice& choice);
    // The user asks to close the window. True when it may go now, no work
    // running; otherwise the work is asked to stop, and its end closes it.
    bool CloseAsked();
    // The window has gone, however it went: the work stops for good.
    void WindowGone();

private:
    TraceController(const TraceController&);
    TraceController& operator=(const TraceController&);

    mutable std::mutex choiceLock;
    TraceChoice traced;     // guarded by choiceLock
    TraceChoice newChoice;  // guarded by choiceLock: chosen in the menu, when hasNewChoice
    bool hasNewChoice;      // guarded by choiceLock
    std::atomic<bool> closeRequested;
    std::atomic<bool> workToStop;
    bool workDone;  // the window's thread's alone
};
