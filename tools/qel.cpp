// qel, the host program.
//
// `qel run FORM [--seconds N] [ACTION]... [--show NAME]...` runs a stored form description as an
// application. The root may name any class: one the program does not know becomes a generic form that
// reports the stored name as its class name, so that everything going by class names (the window
// class, stored settings) sees the form as the description calls it. Every event handler the
// description names is bound to a printer that writes one line per call to standard output, as it
// happens:
//     Component.Event Param=value Param=value
// The form runs as the application's main form until it is closed or its deadline (QelDeadline.h:
// N seconds, counted from the start) has passed; then the program closes it the normal way (its
// OnClose handlers run) and ends with exit code 0. The actions run once the main form is shown, in the
// order given: --execute NAME calls that component's Execute (an execute-family component or a text
// replace) and prints `NAME.Execute Result=True|False`; --log NAME TEXT and --clear-log NAME call a log
// file's Log and ClearLog and print `NAME.Log Text='TEXT'` and `NAME.ClearLog`. An action that raises
// an error is reported on standard error and the next one runs; the run then ends with exit code 3,
// as it does when it ended before its actions could run. Each --show NAME prints that component's
// published values (text, numbers, flags, enumerations, sets, references; not events, lists or
// sub-objects), one line each as `NAME.Property=value`, after the actions and again after each call of
// one of its events: so a form shows what its information components found. A description that
// cannot be read is reported on standard error with its line and column, exit code 1, and so is a
// component that fails while it is read (its own error, with the line and column of what the reader
// was doing); a bad command line, or an action or --show naming no component that has it, gets a
// message, exit code 2.
//
// `qel broadcast media-arrival|media-removal DRIVE` sends every top-level window what the system sends
// when a CD is inserted or taken out: WM_DEVICECHANGE with DBT_DEVICEARRIVAL or
// DBT_DEVICEREMOVECOMPLETE and a volume record naming the drive, flagged as a media change. It ends
// with exit code 0 once every window has answered (or been given up after five seconds), 1 when the
// system refused it. It has the deadline of the environment (QelDeadline.h) too.
//
// The designer's commands (palette, inspect, edit, reference) are in QelDesigner.cpp.
#include "files/QELTLogFile.h"
#include "files/QELTTextReplace.h"
#include "foundation/QELSystem.h"
#include "framework/DesignIntf.h"
#include "framework/FormText.h"
#include "framework/Forms.h"
#include "framework/Strings.h"
#include "tools/QelDeadline.h"
#include "tools/QelDesigner.h"
#include "tools/QelHost.h"

#include <dbt.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* Usage =
    "usage: qel run FORM [--seconds N] [--execute NAME | --log NAME TEXT | --clear-log NAME]... [--show NAME]...\n"
    "       qel broadcast media-arrival|media-removal DRIVE\n"
    "  run: runs the form description FORM until its form is closed or N seconds\n"
    "  (without --seconds: QEL_SECONDS, when it is set) have passed, printing a line\n"
    "  for each call of an event handler it names.\n"
    "  Once the form is shown the actions run in the order given, each printing a line:\n"
    "  --execute NAME     calls the Execute of component NAME and prints its result\n"
    "  --log NAME TEXT    calls Log(TEXT) of the log file component NAME\n"
    "  --clear-log NAME   calls ClearLog of the log file component NAME\n"
    "  --show NAME prints the component NAME's published values after the actions\n"
    "  and again after each call of one of its events.\n"
    "  broadcast: tells every window that a medium (a CD) arrived in or was taken\n"
    "  out of the drive with the letter DRIVE.\n";

// One action of the command line: its option, the component it names, the text of a --log.
struct TAction {
    std::string Option;
    std::string Name;
    std::string Text;
};

struct TOptions {
    std::string FormFile;
    std::optional<double> Seconds;
    std::vector<TAction> Actions;
    std::vector<std::string> Shows;
    // A broadcast instead of a run: the device event and the drive's letter.
    WPARAM DeviceEvent = 0;
    char Drive = '\0';
};

TOptions ParseBroadcast(const std::vector<std::string>& args)
{
    if (args.size() != 3)
        throw EUsage("broadcast expects a device event and a drive letter");
    TOptions options;
    if (args[1] == "media-arrival")
        options.DeviceEvent = DBT_DEVICEARRIVAL;
    else if (args[1] == "media-removal")
        options.DeviceEvent = DBT_DEVICEREMOVECOMPLETE;
    else
        throw EUsage("unknown device event '" + args[1] + "'");
    const std::string drive = UpperCase(args[2]);
    if (drive.size() != 1 || drive[0] < 'A' || drive[0] > 'Z')
        throw EUsage("a drive is one letter from A to Z, but found '" + args[2] + "'");
    options.Drive = drive[0];
    return options;
}

TOptions ParseCommandLine(const std::vector<std::string>& args)
{
    if (args.empty())
        throw EUsage("no command given");
    if (args[0] == "broadcast")
        return ParseBroadcast(args);
    if (args[0] != "run")
        throw EUsage("unknown command '" + args[0] + "'");
    TOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--seconds") {
            if (++i == args.size())
                throw EUsage("--seconds expects a number of seconds");
            options.Seconds = ParseSeconds(args[i], "--seconds");
        } else if (args[i] == "--execute" || args[i] == "--clear-log" || args[i] == "--show") {
            const std::string option = args[i];
            if (++i == args.size())
                throw EUsage(option + " expects the name of a component");
            if (option == "--show")
                options.Shows.push_back(args[i]);
            else
                options.Actions.push_back({option, args[i], {}});
        } else if (args[i] == "--log") {
            if (args.size() - i < 3)
                throw EUsage("--log expects the name of a component and a text");
            options.Actions.push_back({"--log", args[i + 1], args[i + 2]});
            i += 2;
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

// Prints the component's published values, one line each as `Component.Property=value`: the kinds
// that read as one value (not events, lists or sub-objects).
void PrintValues(const TComponent& component)
{
    for (const TPropInfo* prop : component.ClassType()->AllProperties()) {
        const bool oneValue = prop->Kind == TTypeKind::Component || !prop->IsObjectKind();
        if (oneValue && prop->Kind != TTypeKind::Method)
            PrintLine(stdout, component.Name() + "." + prop->Name + "=" +
                                  PropertyValueText(*prop, GetPropValue(component, *prop)));
    }
}

// Prints the calls of one event of one component, followed by the component's values when it is one
// of those shown.
class TShowingEventPrinter : public TEventPrinter {
public:
    TShowingEventPrinter(const TComponent* component, const TPropInfo& event,
                         const std::vector<const TComponent*>& shown)
        : TEventPrinter(component, event), FComponent(component), FShown(shown)
    {
    }

    void EventFired(const std::vector<std::string>& argumentTexts) override
    {
        TEventPrinter::EventFired(argumentTexts);
        if (std::find(FShown.begin(), FShown.end(), FComponent) != FShown.end())
            PrintValues(*FComponent);
    }

private:
    const TComponent* FComponent;
    const std::vector<const TComponent*>& FShown;
};

// An action bound to its component: Run performs it and gives the line to print.
struct TBoundAction {
    TComponent* Component;
    std::function<std::string()> Run;
};

// Runs the actions once the main form is shown, then prints the values of the components shown: the
// message it posts to itself is handled by the application's loop, which starts after the main form
// was shown.
class TStartActions : public TObject {
public:
    TStartActions(std::vector<TBoundAction> actions, const std::vector<const TComponent*>& shown)
        : FActions(std::move(actions)), FShown(shown),
          FWindow(AllocateHWnd(TWndMethod(this, &TStartActions::WndProc)))
    {
        (void)PostMessageA(FWindow.Get(), WM_USER, 0, 0);
    }

    bool Ran() const noexcept { return FRan; }
    // An action raised an error.
    bool Failed() const noexcept { return FFailed; }

private:
    void WndProc(TMessage& message)
    {
        if (message.Msg != WM_USER) {
            message.Result = DefWindowProcA(FWindow.Get(), message.Msg, message.WParam, message.LParam);
            return;
        }
        FRan = true;
        for (const TBoundAction& action : FActions) {
            // One failing action is reported and the next still runs.
            try {
                PrintLine(stdout, action.Run());
            } catch (...) {
                FFailed = true;
                Application->HandleException(action.Component);
            }
        }
        for (const TComponent* component : FShown)
            PrintValues(*component);
    }

    std::vector<TBoundAction> FActions;
    const std::vector<const TComponent*>& FShown;
    TUtilWindowHandle FWindow;
    bool FRan = false;
    bool FFailed = false;
};

template <class C>
std::string ExecuteLine(C* component)
{
    const bool result = component->Execute();
    return component->Name() + ".Execute Result=" + EventArgText(result);
}

// Each action bound to the component it names, which must have the operation.
std::vector<TBoundAction> BindActions(TComponent* root, const std::vector<TAction>& actions)
{
    std::vector<TBoundAction> bound;
    for (const TAction& action : actions) {
        TComponent* component = root->FindComponent(action.Name);
        if (!component)
            throw EUsage(action.Option + ": the form has no component named '" + action.Name + "'");
        const std::string refusal = action.Option + ": " + action.Name + " is a " + component->ClassName();
        if (action.Option == "--execute") {
            if (auto* executable = dynamic_cast<TQELExecuteComponent*>(component))
                bound.push_back({component, [executable] { return ExecuteLine(executable); }});
            else if (auto* replace = dynamic_cast<TQELTextReplace*>(component))
                bound.push_back({component, [replace] { return ExecuteLine(replace); }});
            else
                throw EUsage(refusal + ", which has no Execute");
            continue;
        }
        auto* log = dynamic_cast<TQELLogFile*>(component);
        if (!log)
            throw EUsage(refusal + ", which is not a log file");
        if (action.Option == "--log")
            bound.push_back({component, [log, text = action.Text] {
                                 log->Log(text);
                                 return log->Name() + ".Log Text=" + EventArgText(text);
                             }});
        else
            bound.push_back({component, [log] {
                                 log->ClearLog();
                                 return log->Name() + ".ClearLog";
                             }});
    }
    return bound;
}

// The components --show names.
std::vector<const TComponent*> FindShows(TComponent* root, const std::vector<std::string>& names)
{
    std::vector<const TComponent*> components;
    for (const std::string& name : names) {
        const TComponent* component = root->FindComponent(name);
        if (!component)
            throw EUsage("--show: the form has no component named '" + name + "'");
        components.push_back(component);
    }
    return components;
}

// Reads the description, runs its form and keeps the printers for as long as the form lives.
class THost : public TObject {
public:
    int Run(const TOptions& options)
    {
        // Armed first, so that it also ends a message box shown while the form is read; it goes last.
        const TDeadline deadline(options.Seconds);
        TReader reader(ReadFile(options.FormFile));
        reader.SetOnCreateRoot([](const std::string& className, TComponent* owner) -> TComponent* {
            return new THostForm(className, owner);
        });
        reader.SetOnFindMethod([this](TComponent* component, const TPropInfo& event, const std::string&) {
            FPrinters.push_back(std::make_unique<TShowingEventPrinter>(component, event, FShown));
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

        std::vector<TBoundAction> actions = BindActions(form, options.Actions);
        FShown = FindShows(form, options.Shows);

        Application->SetOnException(TExceptionEvent(this, &THost::ShowException));
        Application->SetMainForm(form);
        std::optional<TStartActions> startActions;
        if (!actions.empty() || !FShown.empty())
            startActions.emplace(std::move(actions), FShown);
        // A deadline that passed while the form was read ends the run before its form shows.
        if (!Application->Terminated())
            Application->Run();
        if (!options.Actions.empty() && !startActions->Ran()) {
            PrintLine(stderr, "qel: the run ended before its form was shown; no action ran");
            return ExitActionFailed;
        }
        return startActions && startActions->Failed() ? ExitActionFailed : 0;
    }

private:
    // An error in a handler or a window procedure ends nothing: it is reported and the run goes on.
    void ShowException(TObject*, Exception& e) { PrintLine(stderr, "qel: " + e.Message()); }

    std::vector<std::unique_ptr<TShowingEventPrinter>> FPrinters;
    // Filled once the form is read: events fired while it is read print no values.
    std::vector<const TComponent*> FShown;
};

int Broadcast(const TOptions& options)
{
    const TDeadline deadline(std::nullopt);
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << (options.Drive - 'A');
    volume.dbcv_flags = DBTF_MEDIA;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(HWND_BROADCAST, WM_DEVICECHANGE, options.DeviceEvent, reinterpret_cast<LPARAM>(&volume),
                             SMTO_ABORTIFHUNG, 5000, &answer)) {
        PrintLine(stderr, "qel: the broadcast failed (error " + std::to_string(GetLastError()) + ")");
        return ExitError;
    }
    return 0;
}

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
        if (options.DeviceEvent)
            return Broadcast(options);
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
