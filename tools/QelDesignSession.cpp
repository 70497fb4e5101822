// The designer's session on a form description.
#include "tools/QelDesignSession.h"

#include "framework/FormText.h"
#include "framework/Strings.h"

#include <fstream>

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

void TDesignSession::Save(const std::string& fileName) const
{
    const std::string text = Text();
    std::ofstream file(fileName, std::ios::binary);
    if (!(file << text && file.flush()))
        throw Exception("cannot write '" + fileName + "'");
}
