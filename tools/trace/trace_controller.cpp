#include "tools/trace/trace_controller.h"

TraceController::TraceController()
    : traced(), newChoice(), hasNewChoice(false), closeRequested(false), workToStop(false), workDone(false)
{
}

void TraceController::WorkStarted()
{
    workDone = false;
    workToStop = closeRequested.load();
}

bool TraceController::WorkEnded(bool closeWindow)
{
    workDone = true;
    return closeWindow || closeRequested;
}

void TraceController::Tracing(const TraceChoice& choice)
{
    const std::lock_guard<std::mutex> guard(choiceLock);
    traced = choice;
}

bool TraceController::TakeNewChoice(TraceChoice* choice, TraceChoice* tracedBefore)
{
    const std::lock_guard<std::mutex> guard(choiceLock);
    if (!hasNewChoice || closeRequested)
        return false;
    *choice = newChoice;
    *tracedBefore = traced;
    hasNewChoice = false;
    return true;
}

TraceChoice TraceController::Traced() const
{
    const std::lock_guard<std::mutex> guard(choiceLock);
    return traced;
}

void TraceController::Chosen(const TraceChoice& choice)
{
    const std::lock_guard<std::mutex> guard(choiceLock);
    newChoice = choice;
    hasNewChoice = true;
    workToStop = true;
}

bool TraceController::CloseAsked()
{
    // The port is closed before the window goes: while the work runs, it
    // is asked to stop and closes the window when it is done.
    if (workDone)
        return true;
    closeRequested = true;
    workToStop = true;
    return false;
}

void TraceController::WindowGone()
{
    closeRequested = true;  // should anything but the work's end end the window
    workToStop = true;
}
