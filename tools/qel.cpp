// qel, the host program: `qel run FORM [--seconds N] [--execute NAME]...` runs a stored form
// description as an application.
//
// The root may name any class: one the program does not know becomes a generic form that reports the
// stored name as its class name, so that everything going by class names (the window class, stored
// settings) sees the form as the description calls it. Every event handler the description names is
// bound to a printer that writes one line per call to standard output, as it happens:
//     Component.Event Param=value Param=value
// The form runs as the application's main form until it is closed or N seconds have passed; then the
// program closes it the normal way (its OnClose handlers run) and ends with exit code 0. Each
// --execute NAME calls that component's Execute once the main form is shown, in the order given, and
// prints `NAME.Execute Result=True|False`. A description that cannot be read is reported on standard
// error with its line and column, exit code 1; a bad command line, or an --execute naming no component
// with an Execute, gets a message, exit code 2. The designer's commands (palette, inspect, edit,
// reference) are in QelDesigner.cpp.
#include "foundation/QELSystem.h"
#include "framework/FormText.h"
#include "framework/Forms.h"
#include "tools/QelDesigner.h"
#include "tools/QelHost.h"

#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// Longest run a timer can measure in milliseconds.
constexpr double MaxSeconds = 2147483.0;

constexpr const char* Usage = "usage: qel run FORM [--seconds N] [--execute NAME]...\n"
                               "  Runs the form description FORM until its form is closed or N seconds have\n"
                               "  passed, printing a line for each call of an event handler it names.\n"
                               "  --execute NAME calls the component NAME's Execute once the form is shown\n"
                               "  and prints its result; give it several times to run several in turn.\n";

struct TOptions {
    std::string FormFile;
    std::optional<double> Seconds;
    std::vector<std::string> Executes;
};

double ParseSeconds(const std::string& text)
{
    double seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error != std::errc() || end != text.data() + text.size() || !(seconds > 0) || seconds > MaxSeconds)
        throw EUsage("--seconds expects a number of seconds above 0 but found '" + text + "'");
    return seconds;
}

TOptions ParseCommandLine(const std::vector<std::string>& args)
{
    if (args.empty())
        throw EUsage("no command given");
    if (args[0] != "run")
        throw EUsage("unknown command '" + args[0] + "'");
    TOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--seconds") {
            if (++i == args.size())
                throw EUsage("--seconds expects a number of seconds");
            options.Seconds = ParseSeconds(args[i]);
        } else if (args[i] == "--execute") {
            if (++i == args.size())
                throw EUsage("--execute expects the name of a component");
            options.Executes.push_back(args[i]);
        } else if (args[i].starts_with("--"))
            throw EUsage("unknown option '" + args[i] + "'");
        else if (options.FormFile.empty())
            options.FormFile = args[i];
        else
            throw EUsage("one form description at a time, but found '" + args[i] + "' too");
    }
    if (options.FormFile.empty())
        throw EUsage("no form description given");
    return options;
}

// Ends the run after a while: closes the main form through a timer of a hidden window.
class TDeadline : public TObject {
public:
    explicit TDeadline(double seconds) : FWindow(AllocateHWnd(TWndMethod(this, &TDeadline::WndProc)))
    {
        (void)SetTimer(FWindow, 1, static_cast<UINT>(seconds * 1000), nullptr);
    }
    ~TDeadline() override { DeallocateHWnd(FWindow); } // its timer goes with the window

private:
    void WndProc(TMessage& message)
    {
        if (message.Msg != WM_TIMER) {
            message.Result = DefWindowProcA(FWindow, message.Msg, message.WParam, message.LParam);
            return;
        }
        (void)KillTimer(FWindow, 1);
        if (TForm* form = Application->MainForm())
            form->Close();
        // A handler may refuse to close the form; the run ends all the same.
        Application->Terminate();
    }

    HWND FWindow;
};

// Calls the Execute of the named components once the main form is shown: the message it posts to
// itself is handled by the application's loop, which starts after the main form was shown.
class TExecutor : public TObject {
public:
    explicit TExecutor(std::vector<TQELExecuteComponent*> components)
        : FComponents(std::move(components)), FWindow(AllocateHWnd(TWndMethod(this, &TExecutor::WndProc)))
    {
        (void)PostMessageA(FWindow.Get(), WM_USER, 0, 0);
    }

private:
    void WndProc(TMessage& message)
    {
        if (message.Msg != WM_USER) {
            message.Result = DefWindowProcA(FWindow.Get(), message.Msg, message.WParam, message.LParam);
            return;
        }
        for (TQELExecuteComponent* component : FComponents) {
            // One failing action is reported and the next still runs.
            try {
                const bool result = component->Execute();
                PrintLine(stdout, component->Name() + ".Execute Result=" + EventArgText(result));
            } catch (...) {
                Application->HandleException(component);
            }
        }
    }

    std::vector<TQELExecuteComponent*> FComponents;
    TUtilWindowHandle FWindow;
};

// The components --execute names, each of which must have an Execute.
std::vector<TQELExecuteComponent*> FindExecutes(TComponent* root, const std::vector<std::string>& names)
{
    std::vector<TQELExecuteComponent*> components;
    for (const std::string& name : names) {
        TComponent* component = root->FindComponent(name);
        if (!component)
            throw EUsage("--execute: the form has no component named '" + name + "'");
        auto* executable = dynamic_cast<TQELExecuteComponent*>(component);
        if (!executable)
            throw EUsage("--execute: " + name + " is a " + component->ClassName() + ", which has no Execute");
        components.push_back(executable);
    }
    return components;
}

// Reads the description, runs its form and keeps the printers for as long as the form lives.
class THost : public TObject {
public:
    int Run(const TOptions& options)
    {
        TReader reader(ReadFile(options.FormFile));
        reader.SetOnCreateRoot([](const std::string& className, TComponent* owner) -> TComponent* {
            return new THostForm(className, owner);
        });
        reader.SetOnFindMethod([this](TComponent* component, const TPropInfo& event, const std::string&) {
            FPrinters.push_back(std::make_unique<TEventPrinter>(component, event));
            return event.Event->MakeGeneric(FPrinters.back().get());
        });
        std::unique_ptr<TComponent> root(reader.ReadComponent(Application));
        auto* form = dynamic_cast<TForm*>(root.get());
        if (!form)
            throw Exception("the root of '" + options.FormFile + "' is a " + root->ClassName() +
                            ", which is not a form");

        std::vector<TQELExecuteComponent*> executes = FindExecutes(form, options.Executes);

        Application->SetOnException(TExceptionEvent(this, &THost::ShowException));
        Application->SetMainForm(form);
        std::optional<TDeadline> deadline;
        if (options.Seconds)
            deadline.emplace(*options.Seconds);
        std::optional<TExecutor> executor;
        if (!executes.empty())
            executor.emplace(std::move(executes));
        Application->Run();
        return 0;
    }

private:
    // An error in a handler or a window procedure ends nothing: it is reported and the run goes on.
    void ShowException(TObject*, Exception& e) { PrintLine(stderr, "qel: " + e.Message()); }

    std::vector<std::unique_ptr<TEventPrinter>> FPrinters;
};

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && IsDesignerCommand(args[0]))
        return RunDesignerCommand(args);
    TOptions options;
    try {
        options = ParseCommandLine(args);
    } catch (const EUsage& e) {
        std::fprintf(stderr, "qel: %s\n%s%s", e.Message().c_str(), Usage, DesignerUsage);
        return ExitUsage;
    }
    try {
        THost host;
        return host.Run(options);
    } catch (const EUsage& e) {
        PrintLine(stderr, "qel: " + e.Message());
        return ExitUsage;
    } catch (const EReadError& e) {
        // The message starts with the line and column.
        PrintLine(stderr, "qel: " + options.FormFile + ": " + e.Message());
    } catch (const std::exception& e) {
        PrintLine(stderr, std::string("qel: ") + e.what());
    }
    return ExitError;
}
