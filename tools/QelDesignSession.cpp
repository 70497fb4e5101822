// The designer's session on a form description.
#include "tools/QelDesignSession.h"

#include "framework/FormText.h"
#include "framework/Strings.h"
#include "framework/SysUtils.h"

#include <algorithm>
#include <fstream>
#include <set>

TDesignSession::TDesignSession(const std::string& text, const std::string& sourceName, bool printEvents)
    : FSourceName(sourceName), FPrintEvents(printEvents)
{
    // Everything this owner takes in is designed from its constructor on.
    FDesigning.SetDesigning(true);
    Read(text);
}

TDesignSession::~TDesignSession()
{
    FRoot.reset();
}

void TDesignSession::Read(const std::string& text)
{
    TReader reader(text);
    reader.SetOnCreateRoot([](const std::string& className, TComponent* owner) -> TComponent* {
        return new THostForm(className, owner);
    });
    reader.SetOnFindMethod([&](TComponent* component, const TPropInfo& event, const std::string& name) {
        FHandlers.push_back(std::make_unique<TDesignHandler>(
            name, FPrintEvents ? std::make_unique<TEventPrinter>(component, event) : nullptr));
        return event.Event->MakeGeneric(FHandlers.back().get());
    });
    try {
        FRoot.reset(reader.ReadComponent(&FDesigning));
    } catch (const EReadError& e) {
        throw EReadError(FSourceName + ": " + e.Message(), e.Line(), e.Column());
    } catch (const std::exception& e) {
        // A component failed while the form was read: say where.
        throw Exception(FSourceName + ": " + reader.ErrorContext() + ": " + e.what());
    }
}

void TDesignSession::Load(const std::string& text)
{
    const std::string previous = Text();
    FRoot.reset();
    FHandlers.clear();
    try {
        Read(text);
    } catch (...) {
        Read(previous);
        throw;
    }
}

std::string TDesignSession::GetMethodName(const TMethod& method) const
{
    for (const auto& handler : FHandlers)
        if (method.Data == handler.get())
            return handler->Name();
    return {};
}

TMethod TDesignSession::CreateMethod(const std::string& name, const TEventTypeInfo& type)
{
    FHandlers.push_back(std::make_unique<TDesignHandler>(name, nullptr));
    return type.MakeGeneric(FHandlers.back().get());
}

TComponent* TDesignSession::Component(const std::string& name) const
{
    if (SameText(FRoot->Name(), name))
        return FRoot.get();
    if (TComponent* component = FRoot->FindComponent(name))
        return component;
    throw EUsage("the form has no component named '" + name + "'");
}

std::string TDesignSession::Text() const
{
    return WriteComponentText(*FRoot, [this](const TMethod& method) { return GetMethodName(method); });
}

namespace {

void WriteTextFile(const std::string& fileName, const std::string& text)
{
    std::ofstream file(fileName, std::ios::binary);
    if (!(file << text && file.flush()))
        throw Exception("cannot write '" + fileName + "'");
}

} // namespace

void TDesignSession::Save(const std::string& fileName) const
{
    WriteTextFile(fileName, Text());
}

void TDesignSession::SaveHeader(const std::string& fileName)
{
    WriteTextFile(fileName, HeaderText(fileName));
}

namespace {

// The header of the unit that declares cls: the folder and name of the file its record stands in.
std::string UnitHeader(TClass cls)
{
    std::string file(cls->SourceFile);
    std::replace(file.begin(), file.end(), '\\', '/');
    const std::size_t name = file.rfind('/');
    const std::size_t folder = name == std::string::npos || name == 0 ? std::string::npos : file.rfind('/', name - 1);
    file.erase(0, folder == std::string::npos ? 0 : folder + 1);
    return file.substr(0, file.rfind('.')) + ".h";
}

struct THandlerUse {
    std::string Name;
    const TEventTypeInfo* Event;
    std::string Where; // Component.Event
};

void CollectHandlers(TPropertyEditors editors, const std::string& where, std::vector<THandlerUse>& handlers)
{
    for (auto& editor : editors) {
        const TPropInfo& prop = editor->PropInfo();
        const std::string path = where + "." + editor->GetName();
        if (prop.Kind == TTypeKind::Method) {
            if (std::string name = editor->GetValue(); !name.empty())
                handlers.push_back({std::move(name), prop.Event, path});
        } else if (prop.IsObjectKind() && editor->GetAttributes().Contains(paSubProperties))
            CollectHandlers(editor->GetProperties(), path, handlers);
    }
}

// The parameters as the reference gives them: Sender: TObject; var Action: TCloseAction.
std::string ParameterText(const TEventTypeInfo& event)
{
    std::string text;
    for (std::size_t i = 0; i < event.ParamNames.size(); ++i)
        text.append(i ? "; " : "")
            .append(event.ParamByReference[i] ? "var " : "")
            .append(event.ParamNames[i])
            .append(": ")
            .append(event.ParamTypes[i]());
    return text;
}

} // namespace

std::string TDesignSession::HeaderText(const std::string& fileName)
{
    const std::string cls = FRoot->ClassName();
    std::vector<THandlerUse> handlers;
    std::set<std::string> units{"framework/Forms.h"};
    CollectHandlers(GetComponentProperties({FRoot.get()}, *this), FRoot->Name(), handlers);
    for (int i = 0; i < FRoot->ComponentCount(); ++i) {
        TComponent* component = FRoot->Components(i);
        units.insert(UnitHeader(component->ClassType()));
        CollectHandlers(GetComponentProperties({component}, *this), component->Name(), handlers);
    }
    // Each handler once, where the description first names it.
    std::vector<const THandlerUse*> declared;
    for (const THandlerUse& use : handlers) {
        auto same = std::find_if(declared.begin(), declared.end(),
                                 [&](const THandlerUse* d) { return SameText(d->Name, use.Name); });
        if (same == declared.end())
            declared.push_back(&use);
        else if (*(*same)->Event->Signature != *use.Event->Signature)
            throw Exception("The handler " + use.Name + " cannot handle both " + (*same)->Where + " (" +
                            std::string((*same)->Event->Name) + ") and " + use.Where + " (" +
                            std::string(use.Event->Name) + ")");
    }

    std::string text = "// " + ExtractFileName(fileName) + ": the class of the form " + ExtractFileName(FSourceName) +
                       " describes, written by qel design\n"
                       "// with the description. It declares every handler the description names; a unit of the\n"
                       "// program defines them, such as\n";
    if (!declared.empty())
        text += "//     void " + cls + "::" + declared.front()->Name + "(...) { ... }  // parameters: " +
                ParameterText(*declared.front()->Event) + "\n";
    else
        text += "//     void " + cls + "::ButtonClick(TObject* Sender) { ... }\n";
    text += "// and reads the description into the form:\n"
            "//     " + cls + "* form = nullptr;\n"
            "//     Application->CreateForm(form);\n"
            "//     TReader(description).ReadRootComponent(form);\n"
            "// Written anew with each save: keep your own code elsewhere.\n"
            "#pragma once\n\n";
    for (const std::string& unit : units)
        text += "#include \"" + unit + "\"\n";
    text += "\nclass " + cls + " : public TForm {\n    QEL_CLASS(" + cls + ")\npublic:\n    using TForm::TForm;\n";
    if (!declared.empty())
        text += "\n";
    for (const THandlerUse* use : declared)
        text += "    " + std::string(use->Event->Name) + "::THandler " + use->Name + "; // " + use->Where + "(" +
                ParameterText(*use->Event) + ")\n";
    text += "\nprivate:\n    static TMethodList PublishedMethods();\n};\n\n";
    text += "QEL_CLASS_INFO_INLINE(" + cls + ", TForm)\n{\n    return {};\n}\n\n";
    text += "inline TMethodList " + cls + "::PublishedMethods()\n{\n    return {\n";
    for (const THandlerUse* use : declared)
        text += "        PublishedMethod<" + cls + ">(\"" + use->Name + "\", &" + cls + "::" + use->Name + "),\n";
    text += "    };\n}\n";
    return text;
}
