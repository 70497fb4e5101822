// The deadline of a qel command.
#include "tools/QelDeadline.h"

#include "framework/Forms.h"
#include "tools/QelHost.h"

#include <charconv>
#include <thread>

namespace {

// Longest time a timer can measure in milliseconds, with the grace added.
constexpr double MaxSeconds = 2147483.0;

constexpr UINT_PTR DeadlineTimer = 1;
// How often modal loops started after the deadline are told to end.
constexpr UINT RenewMs = 100;

UINT Milliseconds(double seconds)
{
    return static_cast<UINT>(seconds * 1000);
}

std::optional<double> EnvironmentSeconds()
{
    char text[64];
    const DWORD length = GetEnvironmentVariableA("QEL_SECONDS", text, sizeof text);
    if (length == 0)
        return std::nullopt;
    if (length >= sizeof text)
        throw EUsage("QEL_SECONDS expects a number of seconds above 0");
    return ParseSeconds(text, "QEL_SECONDS");
}

// Ends the process once the grace after the deadline is over. It runs on a thread of its own, so that
// it also ends a command whose user-interface thread is blocked; it touches nothing the other thread
// may hold (no C runtime stream, no window), and what it says goes straight to the standard error.
void StartWatchdog(UINT deadlineMs)
{
    std::thread([deadlineMs] {
        Sleep(deadlineMs + TDeadline::GraceSeconds * 1000);
        constexpr char Message[] = "qel: the command had not ended by its deadline and was ended\n";
        DWORD written = 0;
        (void)WriteFile(GetStdHandle(STD_ERROR_HANDLE), Message, sizeof Message - 1, &written, nullptr);
        (void)TerminateProcess(GetCurrentProcess(), ExitDeadline);
    }).detach();
}

} // namespace

double ParseSeconds(const std::string& text, const std::string& givenBy)
{
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || !(seconds > 0) || seconds > MaxSeconds)
        throw EUsage(givenBy + " expects a number of seconds above 0 but found '" + text + "'");
    return seconds;
}

TDeadline::TDeadline(std::optional<double> seconds)
{
    if (!seconds)
        seconds = EnvironmentSeconds();
    if (!seconds)
        return;
    const UINT deadlineMs = Milliseconds(*seconds);
    FWindow.Reset(AllocateHWnd(TWndMethod(this, &TDeadline::WndProc)));
    (void)SetTimer(FWindow.Get(), DeadlineTimer, deadlineMs, nullptr);
    StartWatchdog(deadlineMs);
}

void TDeadline::WndProc(TMessage& message)
{
    if (message.Msg != WM_TIMER) {
        message.Result = DefWindowProcA(FWindow.Get(), message.Msg, message.WParam, message.LParam);
        return;
    }
    if (FPassed) {
        // A modal loop ends on the quit message and leaves it to the loop around it, or consumes it.
        PostQuitMessage(0);
        return;
    }
    FPassed = true;
    // Renewed before the form is closed: an OnClose handler may start a modal loop of its own.
    (void)SetTimer(FWindow.Get(), DeadlineTimer, RenewMs, nullptr);
    if (TForm* form = Application->MainForm()) {
        try {
            form->Close();
        } catch (...) {
            Application->HandleException(form);
        }
    }
    // A handler may refuse to close the form, or fail; the command ends all the same.
    Application->Terminate();
}
