// A form description loaded as the designer loads it: every component is in the designing state from
// its constructor on, and the handlers the description names are kept by name, so that the form can
// be written back; they print their calls when the session was asked to.
#pragma once

#include "framework/DesignIntf.h"
#include "tools/QelHost.h"

#include <memory>
#include <string>
#include <vector>

// A handler named by the description or made by an editor: known by its name, so that the form can be
// written back; it prints its calls when it was given a printer.
class TDesignHandler : public TEventSink {
public:
    TDesignHandler(std::string name, std::unique_ptr<TEventPrinter> printer)
        : FName(std::move(name)), FPrinter(std::move(printer))
    {
    }
    const std::string& Name() const noexcept { return FName; }
    void EventFired(const std::vector<std::string>& argumentTexts) override
    {
        if (FPrinter)
            FPrinter->EventFired(argumentTexts);
    }

private:
    std::string FName;
    std::unique_ptr<TEventPrinter> FPrinter;
};

class TDesignSession : public TFormDesigner {
public:
    // Reads text, the description called sourceName in messages.
    TDesignSession(const std::string& text, const std::string& sourceName, bool printEvents);
    ~TDesignSession() override;

    TComponent* Root() const override { return FRoot.get(); }
    std::string GetMethodName(const TMethod& method) const override;
    TMethod CreateMethod(const std::string& name, const TEventTypeInfo& type) override;

    // The root or one of its components; EUsage for a name the form does not have.
    TComponent* Component(const std::string& name) const;

    // The description as it stands, and written to a file.
    std::string Text() const;
    void Save(const std::string& fileName) const;
    // The C++ header of the form's class, for a program that reads the description: the class, a form,
    // with a declaration of every handler the description names and its table of published methods.
    // Raises for a handler name given to events of two kinds (their handlers differ).
    std::string HeaderText(const std::string& fileName);
    void SaveHeader(const std::string& fileName);
    // Replaces the form with the one text describes: the form is destroyed first, so that a component
    // of which one may exist in a process is made again. A text that cannot be read leaves the form
    // as it was and raises its error.
    void Load(const std::string& text);

private:
    void Read(const std::string& text);

    std::string FSourceName;
    bool FPrintEvents;
    TComponent FDesigning{nullptr};
    std::vector<std::unique_ptr<TDesignHandler>> FHandlers;
    std::unique_ptr<TComponent> FRoot; // freed first: its handlers outlive it
};
