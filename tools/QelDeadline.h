// The deadline every qel command that opens windows runs under, so that a command ends by itself
// whatever its components show, also on a display with nobody at it.
#pragma once

#include "framework/Controls.h"

#include <optional>
#include <string>

// A command that had to be ended because it did not end in time after its deadline.
constexpr int ExitDeadline = 4;

// The seconds in text (an option's value, or the environment's): a number above 0 that a timer can
// measure. Raises EUsage naming what gave the text.
double ParseSeconds(const std::string& text, const std::string& givenBy);

// The deadline of a command: the seconds its command line gives, or else those of the environment
// variable QEL_SECONDS, or none at all, and then the command runs until its form is closed.
//
// When the time is up the main form, if there is one, is closed the normal way (its OnClose handlers
// run) and the application is told to end. Every modal loop running then or started afterwards (a
// message box a component shows while the form is read, or from an OnClose handler) is ended as the
// system ends one, by a quit message, renewed every tenth of a second for as long as the command runs.
// A command that has still not ended GraceSeconds later, because something waits without reading its
// messages, is ended there, with ExitDeadline.
class TDeadline : public TObject {
public:
    static constexpr int GraceSeconds = 5;

    explicit TDeadline(std::optional<double> seconds);

    // Whether the time is up: the command is being ended.
    bool Passed() const noexcept { return FPassed; }

private:
    void WndProc(TMessage& message);

    TUtilWindowHandle FWindow;
    bool FPassed = false;
};
