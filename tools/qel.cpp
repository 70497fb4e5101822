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
// error with its line and column, exit code 1, and so is a component that fails while it is read (its
// own error, with the line and column of what the reader was doing); a bad command line, or an
// --execute naming no component with an Execute, gets a message, exit code 2.
#include "foundation/QELSystem.h"
#include "framework/FormText.h"
#include "framework/Forms.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int ExitError = 1;
constexpr int ExitUsage = 2;
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

class EUsage : public Exception {
public:
    using Exception::Exception;
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

std::string ReadFile(const std::string& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        throw Exception("cannot read '" + fileName + "'");
    // An empty file is read as an empty text, which the reader then refuses with its position.
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad())
        throw Exception("cannot read '" + fileName + "'");
    return text;
}

void PrintLine(std::FILE* stream, const std::string& line)
{
    std::fputs((line + "\n").c_str(), stream);
    std::fflush(stream); // each line as it happens, also into a pipe
}

// The root of a description whose class the program does not know.
class THostForm : public TForm {
public:
    THostForm(std::string className, TComponent* owner) : TForm(owner), FClassName(std::move(className)) {}
    std::string ClassName() const override { return FClassName; }

private:
    std::string FClassName;
};

// Prints the calls of one event of one component.
class TEventPrinter : public TEventSink {
public:
    TEventPrinter(const TComponent* component, const TPropInfo& event) : FComponent(component), FEvent(event) {}

    void EventFired(const std::vector<std::string>& argumentTexts) override
    {
        std::string line = EventArgText(static_cast<const TObject*>(FComponent)) + "." + FEvent.Name;
        const std::vector<std::string_view>& names = FEvent.Event->ParamNames;
        for (std::size_t i = 0; i < argumentTexts.size() && i < names.size(); ++i)
            line.append(" ").append(names[i]).append("=").append(argumentTexts[i]);
        PrintLine(stdout, line);
    }

private:
    const TComponent* FComponent;
    const TPropInfo& FEvent;
};

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
        if (TForm* form = Application->MainForm()) {
            try {
                form->Close();
            } catch (...) {
                Application->HandleException(form);
            }
        }
        // A handler may refuse to close the form, or fail; the run ends all the same.
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
        reader.SetRootClass(TForm::StaticClass());
        std::unique_ptr<TComponent> root;
        try {
            root.reset(reader.ReadComponent(Application));
        } catch (const EReadError&) {
            throw;
        } catch (const std::exception& e) {
            // A component failed while the form was read: say where.
            throw Exception(options.FormFile + ": " + reader.ErrorContext() + ": " + e.what());
        }
        auto* form = static_cast<TForm*>(root.get());

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
    TOptions options;
    try {
        options = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const EUsage& e) {
        std::fprintf(stderr, "qel: %s\n%s", e.Message().c_str(), Usage);
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
