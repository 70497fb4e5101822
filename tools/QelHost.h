// What the qel commands share: their exit codes and usage error, reading a description file,
// printing a line as it happens, the generic form that stands in for a root class the program does
// not know, and the printer that writes one line per call of an event handler.
#pragma once

#include "framework/Forms.h"

#include <cstdio>
#include <string>
#include <vector>

constexpr int ExitError = 1;
constexpr int ExitUsage = 2;
// An action the command line asked for raised an error, or never ran.
constexpr int ExitActionFailed = 3;

// A bad command line, or a name the command line gives that the form does not have.
class EUsage : public Exception {
public:
    using Exception::Exception;
};

std::string ReadFile(const std::string& fileName);
// Writes line and a line end, and flushes: each line as it happens, also into a pipe.
void PrintLine(std::FILE* stream, const std::string& line);

// The root of a description whose class the program does not know.
class THostForm : public TForm {
public:
    THostForm(std::string className, TComponent* owner) : TForm(owner), FClassName(std::move(className)) {}
    std::string ClassName() const override { return FClassName; }

private:
    std::string FClassName;
};

// Prints the calls of one event of one component: `Component.Event Param=value ...`.
class TEventPrinter : public TEventSink {
public:
    TEventPrinter(const TComponent* component, const TPropInfo& event) : FComponent(component), FEvent(event) {}

    void EventFired(const std::vector<std::string>& argumentTexts) override;

private:
    const TComponent* FComponent;
    const TPropInfo& FEvent;
};
