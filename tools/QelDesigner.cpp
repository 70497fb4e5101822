// qel's designer commands:
//
//   qel palette                  the palette pages and their components, in order
//   qel design FORM [--select A,B] [--seconds N] [--save]
//                                the designer's windows on FORM (QelDesignWindows.h)
//   qel inspect FORM [--size WxH] [--select A,B] [--set PATH=VALUE]... [--save OUT] [--seconds N]
//                                one line per published property of each component of the form:
//                                `Component.Property Editor 0x48 [paMultiSelect,paReadOnly] = value`
//   qel edit FORM COMPONENT PROPERTY [--save OUT] [--seconds N]
//                                presses the property's dialog button
//   qel reference [OUT]          the component reference, generated from the class records
//
// A form is loaded as the designer loads it: every component is in the designing state from its
// constructor on, and the handlers the description names are kept by name, so that --save writes them
// back. They run only in edit, which prints their calls as `qel run` does. Parts of a property (a
// sub-object's properties, a collection's items) follow it, their paths joined with dots:
// FormStore.Registry.Path, Lists[0].Strings. inspect and edit run under a deadline as run does
// (QelDeadline.h): --seconds N, or QEL_SECONDS. Exit codes: 0 done, 1 a description that cannot be read
// or written, 2 a bad command line or a name the form does not have, a value a property editor
// refuses, or a property that cannot be typed into or has no dialog button, 3 a dialog button whose
// action raised an error, 4 a command ended by force after its deadline.
#include "tools/QelDesigner.h"

#include "foundation/QELSysReg.h"
#include "framework/Collection.h"
#include "framework/FormText.h"
#include "framework/StringList.h"
#include "framework/Strings.h"
#include "persistence/QELTStoreData.h"
#include "tools/QelDeadline.h"
#include "tools/QelDesignSession.h"
#include "tools/QelDesignWindows.h"
#include "tools/QelHost.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

const char* const DesignerUsage =
    "   or: qel palette\n"
    "  Lists the palette pages and their components in order.\n"
    "   or: qel design FORM [--select A,B] [--seconds N] [--save]\n"
    "  Opens the designer's windows on FORM (a new form when there is no such file): the\n"
    "  component palette, the form and the object inspector, with the components A and B\n"
    "  selected (else the form). Ctrl+S saves. --seconds N closes it after N seconds, saving\n"
    "  the form only with --save.\n"
    "   or: qel inspect FORM [--size WxH] [--select A,B] [--set PATH=VALUE]... [--save OUT] [--seconds N]\n"
    "  Loads FORM as the designer does and prints a line for each published property of each\n"
    "  component: its editor, attributes and value. --size resizes the form first; --set changes\n"
    "  the property Component.Property through its editor; --select shows only what the selection\n"
    "  of those components shares; --save writes the description the designer would store.\n"
    "   or: qel edit FORM COMPONENT PROPERTY [--save OUT] [--seconds N]\n"
    "  Presses the property's dialog button: Execute Test runs the component's Execute.\n"
    "  --seconds N ends inspect or edit after N seconds, as it ends run.\n"
    "   or: qel reference [OUT]\n"
    "  Writes the component reference to OUT, or to standard output.\n";

namespace {

std::string Printable(const std::string& text)
{
    std::string printable;
    for (char c : text)
        printable += static_cast<unsigned char>(c) < 32 ? "#" + std::to_string(static_cast<int>(c)) : std::string(1, c);
    return printable;
}

std::string AttributesText(TPropertyAttributes attributes)
{
    return "0x" + IntToHex(attributes.Bits(), 2) + " " + EventArgText(attributes);
}

std::string JoinPath(const std::string& prefix, const std::string& name)
{
    return name.starts_with('[') ? prefix + name : prefix + "." + name;
}

void PrintProperties(const std::string& prefix, const TPropertyEditors& editors)
{
    for (const auto& editor : editors) {
        const std::string path = JoinPath(prefix, editor->GetName());
        const TPropertyAttributes attributes = editor->GetAttributes();
        const std::string value = editor->AllEqual() ? editor->GetValue() : std::string();
        PrintLine(stdout, path + " " + editor->ClassName() + " " + AttributesText(attributes) + " = " + Printable(value));
        if (attributes.Contains(paSubProperties))
            PrintProperties(path, editor->GetProperties());
    }
}

// "FormStore.Registry.Path" and "Lists[0].Strings" as their parts: FormStore, Registry, Path; Lists,
// [0], Strings.
std::vector<std::string> PathParts(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '.' || c == '[') {
            if (!part.empty())
                parts.push_back(part);
            part = c == '[' ? "[" : "";
        } else
            part += c;
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

// The editor of the property at path (parts included) of component.
std::unique_ptr<TPropertyEditor> FindEditor(TDesignSession& session, TComponent* component, const std::string& path)
{
    const std::string where = EventArgText(static_cast<const TObject*>(component)) + "." + path;
    TPropertyEditors editors = GetComponentProperties({component}, session);
    std::unique_ptr<TPropertyEditor> found;
    for (const std::string& part : PathParts(path)) {
        if (found)
            editors = found->GetAttributes().Contains(paSubProperties) ? found->GetProperties() : TPropertyEditors{};
        auto match = std::find_if(editors.begin(), editors.end(),
                                  [&](const auto& editor) { return SameText(editor->GetName(), part); });
        if (match == editors.end())
            throw EUsage("the form has no property " + where);
        found = std::move(*match);
    }
    if (!found)
        throw EUsage("no property given for " + where);
    return found;
}

void SetProperty(TDesignSession& session, const std::string& assignment)
{
    const std::size_t equals = assignment.find('=');
    const std::size_t dot = assignment.find('.');
    if (equals == std::string::npos || dot == std::string::npos || dot > equals)
        throw EUsage("--set expects COMPONENT.PROPERTY=VALUE but found '" + assignment + "'");
    const std::string path = assignment.substr(0, equals);
    auto editor = FindEditor(session, session.Component(assignment.substr(0, dot)), path.substr(dot + 1));
    if (editor->GetAttributes().Contains(paReadOnly))
        throw EUsage(path + " cannot be typed into in the designer (its editor is " + editor->ClassName() + ")");
    try {
        editor->SetValue(assignment.substr(equals + 1));
    } catch (const Exception& error) {
        throw EUsage(path + ": " + error.Message());
    }
}

std::pair<int, int> ParseSize(const std::string& text)
{
    const std::size_t x = text.find_first_of("xX");
    auto number = [&](std::size_t from, std::size_t to) {
        int value = 0;
        const auto [end, error] = std::from_chars(text.data() + from, text.data() + to, value);
        return error == std::errc() && end == text.data() + to && from < to && value > 0 && value <= 32767
                   ? std::optional<int>(value)
                   : std::nullopt;
    };
    const auto width = x == std::string::npos ? std::nullopt : number(0, x);
    const auto height = x == std::string::npos ? std::nullopt : number(x + 1, text.size());
    if (!width || !height)
        throw EUsage("--size expects WIDTHxHEIGHT in pixels (1 to 32767) but found '" + text + "'");
    return {*width, *height};
}

std::vector<std::string> SplitNames(const std::string& text)
{
    std::vector<std::string> names;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        names.push_back(Trim(text.substr(start, comma - start)));
        start = comma + 1;
    }
    return names;
}

// The command line after the command: positional arguments and options that each take one value.
struct TCommandLine {
    std::vector<std::string> Arguments;
    std::multimap<std::string, std::string> Options;

    // flags are options without a value.
    TCommandLine(const std::vector<std::string>& args, std::initializer_list<std::string_view> options,
                 std::size_t positionals, std::initializer_list<std::string_view> flags = {})
    {
        for (std::size_t i = 1; i < args.size(); ++i) {
            const std::string& arg = args[i];
            if (!arg.starts_with("--")) {
                Arguments.push_back(arg);
                continue;
            }
            if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
                Options.emplace(arg, std::string());
                continue;
            }
            if (std::find(options.begin(), options.end(), arg) == options.end())
                throw EUsage("unknown option '" + arg + "'");
            if (++i == args.size())
                throw EUsage(arg + " expects a value");
            Options.emplace(arg, args[i]);
        }
        if (Arguments.size() != positionals)
            throw EUsage(args[0] + " expects " + std::to_string(positionals) + " argument" +
                         (positionals == 1 ? "" : "s") + " but found " + std::to_string(Arguments.size()));
    }

    std::optional<std::string> Option(const std::string& name) const
    {
        if (Options.count(name) > 1)
            throw EUsage(name + " may be given once");
        auto found = Options.find(name);
        return found == Options.end() ? std::nullopt : std::optional<std::string>(found->second);
    }

    std::optional<double> Seconds() const
    {
        const std::optional<std::string> text = Option("--seconds");
        return text ? std::optional(ParseSeconds(*text, "--seconds")) : std::nullopt;
    }
};

int Design(const std::vector<std::string>& args)
{
    const TCommandLine line(args, {"--select", "--seconds"}, 1, {"--save"});
    const std::string& fileName = line.Arguments[0];
    const std::optional<std::string> select = line.Option("--select");
    const bool saveAtDeadline = line.Option("--save").has_value();
    // Armed before the form is read: a component may show a message box while it is read.
    const TDeadline deadline(line.Seconds());
    const bool exists = GetFileAttributesA(fileName.c_str()) != INVALID_FILE_ATTRIBUTES;
    TDesignSession session(exists ? ReadFile(fileName) : std::string(NewFormText), fileName, false);
    std::vector<std::string> selected;
    if (select)
        for (const std::string& name : SplitNames(*select))
            selected.push_back(session.Component(name)->Name());
    TDesignWindows windows(session, fileName, saveAtDeadline, deadline);
    windows.Run(std::move(selected));
    return 0;
}

int Palette(const std::vector<std::string>& args)
{
    TCommandLine(args, {}, 0);
    for (const TPalettePage& page : PalettePages()) {
        PrintLine(stdout, page.Name);
        for (TClass cls : page.Classes)
            PrintLine(stdout, "  " + cls->Name);
    }
    return 0;
}

int Inspect(const std::vector<std::string>& args)
{
    const TCommandLine line(args, {"--size", "--select", "--set", "--save", "--seconds"}, 1);
    const std::optional<std::string> sizeText = line.Option("--size");
    const std::optional<std::pair<int, int>> size = sizeText ? std::optional(ParseSize(*sizeText)) : std::nullopt;
    const std::optional<std::string> select = line.Option("--select");
    const std::optional<std::string> save = line.Option("--save");
    // Armed before the form is read: a component may show a message box while it is read, or when set.
    const TDeadline deadline(line.Seconds());
    TDesignSession session(ReadFile(line.Arguments[0]), line.Arguments[0], false);
    if (size) {
        auto* control = dynamic_cast<TControl*>(session.Root());
        if (!control)
            throw EUsage("--size: the root is a " + session.Root()->ClassName() + ", which has no size");
        // The designer's form has a window, so that what watches it (a hook component) sees the change.
        if (auto* windowed = dynamic_cast<TWinControl*>(control))
            (void)windowed->Handle();
        control->SetBounds(control->Left(), control->Top(), size->first, size->second);
    }
    for (auto [option, assignment] = line.Options.equal_range("--set"); option != assignment; ++option)
        SetProperty(session, option->second);

    if (select) {
        TSelection selection;
        for (const std::string& name : SplitNames(*select))
            selection.push_back(session.Component(name));
        PrintProperties(*select, GetComponentProperties(selection, session));
    } else {
        TComponent* root = session.Root();
        PrintProperties(EventArgText(static_cast<const TObject*>(root)), GetComponentProperties({root}, session));
        for (int i = 0; i < root->ComponentCount(); ++i) {
            TComponent* component = root->Components(i);
            PrintProperties(EventArgText(static_cast<const TObject*>(component)),
                            GetComponentProperties({component}, session));
        }
    }
    if (save)
        session.Save(*save);
    return 0;
}

// While it exists, what goes wrong in a window procedure or a handler while a dialog runs is printed,
// as `qel run` does, instead of being shown in a message box.
class TErrorPrinter : public TObject {
public:
    TErrorPrinter() { Application->SetOnException(TExceptionEvent(this, &TErrorPrinter::Print)); }
    ~TErrorPrinter() override { Application->SetOnException({}); }

private:
    void Print(TObject*, Exception& e) { PrintLine(stderr, "qel: " + e.Message()); }
};

int Edit(const std::vector<std::string>& args)
{
    const TCommandLine line(args, {"--save", "--seconds"}, 3);
    const std::optional<std::string> save = line.Option("--save");
    const TDeadline deadline(line.Seconds());
    TDesignSession session(ReadFile(line.Arguments[0]), line.Arguments[0], true);
    auto editor = FindEditor(session, session.Component(line.Arguments[1]), line.Arguments[2]);
    if (!editor->GetAttributes().Contains(paDialog))
        throw EUsage(line.Arguments[1] + "." + line.Arguments[2] + " has no dialog button (its editor is " +
                     editor->ClassName() + ")");
    try {
        const TErrorPrinter errors;
        editor->Edit();
    } catch (const std::exception& e) {
        PrintLine(stderr, "qel edit: " + std::string(e.what()));
        return ExitActionFailed;
    }
    if (save)
        session.Save(*save);
    return 0;
}

// ---------------------------------------------------------------------------------------------------
// The reference

// What each component is for, one line each.
const std::map<std::string_view, std::string_view> Purposes{
    {"TQELExitWindows", "Logs off, restarts or shuts down Windows, after a confirmation when asked."},
    {"TQELFileExecute", "Opens a document or starts a program with a shell verb, waiting for it when asked."},
    {"TQELTopMost", "Keeps the owner form above all other windows."},
    {"TQELOnlyOne", "Lets one copy of the application run: a second copy brings the first forward and ends."},
    {"TQELMsgDlg", "Asks for one line of text in a dialog configured from properties."},
    {"TQELMsgBox", "Shows a message box configured from properties and fires one event per answer."},
    {"TQELMsgSelect", "Asks the user to pick or type one entry of a list."},
    {"TQELStartup", "Registers the application to start with Windows."},
    {"TQELScreenSaver", "Reads and sets whether the screen saver is active and its time-out, and starts it."},
    {"TQELTimeTrigger", "Fires events when a set date and time arrive and when the time or date changes."},
    {"TQELWallPaper", "Sets the desktop wallpaper and its tiling."},
    {"TQELFormHook", "Hands every message of the owner form's window to an event before the form sees it."},
    {"TQELMouseController", "Moves the mouse cursor and fences it into a rectangle or a control."},
    {"TQELWavePlayer", "Plays a wave file."},
    {"TQELCDTriggers", "Fires events with the drive letter when a CD is inserted or removed."},
    {"TQELVersionDetails", "Reads the version record of the running program."},
    {"TQELSystemKeys", "Sets the Caps Lock, Num Lock and Scroll Lock states."},
    {"TQELMultiLists", "Keeps any number of string lists on a form."},
    {"TQELFormSizes", "Keeps the owner form between size limits, which can be taken from the designed form."},
    {"TQELFormAspect", "Keeps the owner form's width-to-height ratio while it is resized."},
    {"TQELDriveVolume", "Reads a drive's volume label, serial number, file system and its flags."},
    {"TQELApplication", "Sets the application's title, icon, hint settings and events from a form."},
    {"TQELStoreData", "Reads and writes the application's settings in the registry or an INI file."},
    {"TQELIllegalAbort", "Tells the application at start that its previous run did not end cleanly."},
    {"TQELFormSaver", "Keeps the size, place, state and visibility of the application's forms between runs."},
    {"TQELLogFile", "Keeps a log file, with an optional header, time, date and tag on each line."},
    {"TQELTextReplace", "Copies a text file line by line through a filter."},
    {"TQELSystemTray", "Shows an icon in the notification area, with clicks, a menu and hiding when minimised."},
    {"TQELFileProperties", "Reads and changes a file's name parts, attributes, size and time stamp."},
    {"TQELFileOperator", "Copies, moves, renames and deletes files through the shell."},
    {"TQELDroppedFiles", "Collects and reports the files dropped from the shell onto the owner form."},
    {"TQELSystemDetails", "Reads facts about the system and the user."},
    {"TQELFileCollector", "Collects files by mask through a directory tree."},
    {"TQELStringHolder", "Holds a list of strings for the application."},
    {"TQELJokeHolder", "Hands out lines of a built-in list of one-line jokes."},
    {"TQELFormExplode", "Opens and closes the owner form with an animated frame."},
    {"TQELResourceInfo", "Refreshes memory, disk, lock-key, time and date figures every second."},
};

std::string Cell(const std::string& text)
{
    std::string cell;
    for (char c : text)
        cell += c == '|' ? std::string("\\|") : std::string(1, c);
    return cell;
}

// A value as the reference shows it: strings and characters quoted, lists by their length.
std::string ValueText(const TPropInfo& prop, const TValue& value)
{
    if (prop.Kind == TTypeKind::Strings) {
        const int count = static_cast<TStrings*>(std::get<TObject*>(value))->Count();
        return count ? std::to_string(count) + (count == 1 ? " line" : " lines") : std::string();
    }
    const std::string text = PropertyValueText(prop, value);
    return prop.Kind == TTypeKind::String || prop.Kind == TTypeKind::Char ? "'" + text + "'" : text;
}

std::string DefaultText(const TPropInfo& prop)
{
    return prop.DefaultValue ? ValueText(prop, *prop.DefaultValue) : std::string();
}

// The value a new object has, where it differs from the declared default; where it comes from when the
// constructor takes it from elsewhere. Nothing for what is never stored (information properties, read
// from the system), nor for sub-objects and events.
std::string InitialText(const TPropInfo& prop, const TObject* sample)
{
    if (!prop.InitialFrom.empty())
        return prop.InitialFrom;
    if (!sample || prop.EffectiveStored() == TStored::Never ||
        (prop.IsObjectKind() && prop.Kind != TTypeKind::Strings) || prop.Kind == TTypeKind::Method ||
        prop.Kind == TTypeKind::Binary)
        return {};
    const std::string text = ValueText(prop, GetPropValue(*sample, prop));
    return text == DefaultText(prop) ? std::string() : text;
}

std::string StoredText(const TPropInfo& prop)
{
    if (prop.Kind == TTypeKind::Class)
        return "by its own properties";
    switch (prop.EffectiveStored()) {
    case TStored::Never:
        return "never";
    case TStored::NotDefault:
        return "when not the default";
    case TStored::NotEmpty:
        return "when not empty";
    case TStored::Assigned:
        return "when assigned";
    case TStored::Predicate:
        return "by a rule of the class";
    case TStored::Auto:
    case TStored::Always:
        break;
    }
    return "always";
}

// "Sender: TObject, var Action: TCloseAction": var marks a parameter the handler may change.
std::string ParametersText(const TEventTypeInfo& event)
{
    std::string text;
    for (std::size_t i = 0; i < event.ParamNames.size(); ++i)
        text.append(text.empty() ? "" : ", ")
            .append(event.ParamByReference[i] ? "var " : "")
            .append(event.ParamNames[i])
            .append(": ")
            .append(event.ParamTypes[i]());
    return text;
}

// The public operations of cls, its ancestors' first; an operation a class lists again (an override
// of Execute) keeps its inherited place with the class's own line.
TOperationList AllOperations(TClass cls)
{
    TOperationList operations = cls->Parent ? AllOperations(cls->Parent) : TOperationList{};
    for (TOperationInfo& operation : ClassOperations(cls)) {
        auto inherited = std::find_if(operations.begin(), operations.end(),
                                      [&](const TOperationInfo& other) { return other.Name() == operation.Name(); });
        if (inherited != operations.end())
            *inherited = std::move(operation);
        else
            operations.push_back(std::move(operation));
    }
    return operations;
}

// A new object of a class, made as the designer makes one: a component on a form in the designing
// state, so that it acts on nothing; none for a class that cannot be made on its own.
class TSample {
public:
    explicit TSample(TClass cls)
    {
        FForm.SetDesigning(true);
        if (cls->CreateComponent)
            FObject = cls->CreateComponent(&FForm);
        else if (cls->CreateInstance)
            FObject = cls->CreateInstance();
        else if (cls->CreateItem)
            FObject = cls->CreateItem(nullptr);
    }
    ~TSample()
    {
        if (!FObject)
            return;
        // A data store that the object would write to as it goes (an abnormal-end detector clears its
        // marker) is switched off: making the reference leaves nothing behind.
        for (const TPropInfo* prop : FObject->ClassType()->AllProperties())
            if (prop->Kind == TTypeKind::Class)
                if (auto* store = dynamic_cast<TQELDataStore*>(std::get<TObject*>(prop->Get(*FObject))))
                    store->SetEnabled(false);
        if (!dynamic_cast<TComponent*>(FObject))
            delete FObject;
    }
    TSample(const TSample&) = delete;
    TSample& operator=(const TSample&) = delete;

    const TObject* Object() const noexcept { return FObject; }

private:
    TForm FForm{nullptr}; // frees a component made on it
    TObject* FObject = nullptr;
};

// The classes the reference lists after the components: of the objects they publish, and of the items
// of their collections, by collection class.
struct TNested {
    std::vector<TClass> Classes;
    std::map<TClass, std::vector<TClass>> Items;

    void Add(TClass cls)
    {
        if (std::find(Classes.begin(), Classes.end(), cls) == Classes.end())
            Classes.push_back(cls);
    }
    // The collection class cls is an item of; null for another class.
    TClass CollectionOf(TClass cls) const
    {
        for (const auto& [collection, items] : Items)
            if (std::find(items.begin(), items.end(), cls) != items.end())
                return collection;
        return nullptr;
    }
};

// The classes that are the items of a collection property of sample: its item class and every
// registered class derived from it.
std::vector<TClass> ItemClasses(const TPropInfo& prop, const TObject& sample)
{
    const TClass itemClass = static_cast<TCollection*>(std::get<TObject*>(prop.Get(sample)))->ItemClass();
    std::vector<TClass> classes{itemClass};
    for (TClass cls : RegisteredClasses())
        if (cls != itemClass && cls->InheritsFrom(itemClass))
            classes.push_back(cls);
    return classes;
}

// The tables of cls's properties, events and public operations; the classes of its sub-objects and
// of the items of its collections are added to nested.
std::string ClassTables(TClass cls, TNested& nested)
{
    const TSample sample(cls);
    std::string properties = "| Property | Type | Default | Initial | Stored |\n|---|---|---|---|---|\n";
    std::string events = "| Event | Type | Parameters |\n|---|---|---|\n";
    bool hasProperties = false, hasEvents = false;
    for (const TPropInfo* prop : cls->AllProperties()) {
        if (prop->Kind == TTypeKind::Method) {
            events += "| `" + prop->Name + "` | " + prop->TypeName() + " | " + ParametersText(*prop->Event) + " |\n";
            hasEvents = true;
            continue;
        }
        if (prop->Kind == TTypeKind::Class || prop->Kind == TTypeKind::Collection)
            nested.Add(prop->ClassOf());
        if (prop->Kind == TTypeKind::Collection && sample.Object()) {
            std::vector<TClass>& items = nested.Items[prop->ClassOf()];
            items = ItemClasses(*prop, *sample.Object());
            for (TClass item : items)
                nested.Add(item);
        }
        properties += "| `" + prop->Name + "` | " + prop->TypeName() + " | " + Cell(DefaultText(*prop)) + " | " +
                      Cell(InitialText(*prop, sample.Object())) + " | " + StoredText(*prop) + " |\n";
        hasProperties = true;
    }
    std::string operations = "| Operation | What it does |\n|---|---|\n";
    const TOperationList all = AllOperations(cls);
    for (const TOperationInfo& operation : all)
        operations += "| `" + Cell(operation.Call) + "` | " + Cell(operation.Description) + " |\n";
    std::string text = hasProperties ? properties : "It publishes no properties.\n";
    if (hasEvents)
        text += "\n" + events;
    if (!all.empty())
        text += "\n" + operations;
    return text;
}

std::string Reference()
{
    std::string text =
        "# Component reference\n\n"
        "Generated from the library's class records by `./qel reference docs/components.md`; a test fails\n"
        "while this file differs from what the code generates. Each component is listed with its palette\n"
        "page and its published properties in declaration order, inherited ones first: the type, the\n"
        "declared default (a property without one is always stored, unless it is an information\n"
        "property, which never is), the value a new component starts with where that differs from the\n"
        "default (or where it comes from; lists start empty unless this says otherwise) and when a form's\n"
        "stored description keeps the value. Events are optional handlers; their parameters are given in\n"
        "order with their types, `var` marking one passed by reference, which the handler may change.\n"
        "Then come the public operations a program calls. The objects that components publish as\n"
        "properties, and the items of their collections, follow at the end. `Name` is never stored as a\n"
        "property: the description gives it in the line that starts each component. Components made in\n"
        "code: [components-in-code.md](components-in-code.md).\n";
    TNested nested;
    for (const TPalettePage& page : PalettePages()) {
        text += "\n## Palette page \"" + page.Name + "\"\n";
        for (TClass cls : page.Classes) {
            auto purpose = Purposes.find(cls->Name);
            if (purpose == Purposes.end())
                throw Exception("the reference has no purpose line for " + cls->Name);
            text += "\n### " + cls->Name + "\n\n" + std::string(purpose->second) + " Base class: " +
                    cls->Parent->Name + ".\n\n" + ClassTables(cls, nested);
        }
    }
    text += "\n## Published objects and collection items\n";
    for (std::size_t i = 0; i < nested.Classes.size(); ++i) {
        const TClass cls = nested.Classes[i];
        std::string about = "Base class: " + cls->Parent->Name + ".";
        if (const auto items = nested.Items.find(cls); items != nested.Items.end()) {
            about += " Its items are of class " + items->second.front()->Name;
            for (std::size_t k = 1; k < items->second.size(); ++k)
                about += (k == 1 ? " or of a class derived from it: " : ", ") + items->second[k]->Name;
            about += ".";
        }
        if (const TClass collection = nested.CollectionOf(cls))
            about += " An item of " + collection->Name + ".";
        text += "\n### " + cls->Name + "\n\n" + about + "\n\n" + ClassTables(cls, nested);
    }
    return text;
}

int WriteReference(const std::vector<std::string>& args)
{
    if (args.size() > 2)
        throw EUsage("reference expects at most one file name but found " + std::to_string(args.size() - 1));
    const std::string text = Reference();
    if (args.size() == 1) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    std::ofstream file(args[1], std::ios::binary);
    if (!(file << text && file.flush()))
        throw Exception("cannot write '" + args[1] + "'");
    return 0;
}

using TCommand = int (*)(const std::vector<std::string>& args);

const std::map<std::string, TCommand>& Commands()
{
    static const std::map<std::string, TCommand> commands{
        {"palette", &Palette}, {"design", &Design}, {"inspect", &Inspect}, {"edit", &Edit}, {"reference", &WriteReference}};
    return commands;
}

} // namespace

bool IsDesignerCommand(const std::string& command)
{
    return Commands().contains(command);
}

int RunDesignerCommand(const std::vector<std::string>& args)
{
    try {
        Register();
        return Commands().at(args[0])(args);
    } catch (const EUsage& e) {
        PrintLine(stderr, "qel " + args[0] + ": " + e.Message());
        return ExitUsage;
    } catch (const std::exception& e) {
        PrintLine(stderr, "qel " + args[0] + ": " + e.what());
        return ExitError;
    }
}
