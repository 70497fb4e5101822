// Form descriptions: the text that stores a form and everything it owns (docs/form-description.md).
// TReader builds the components a description names; WriteComponentText writes one back.
#pragma once

#include "framework/Component.h"

#include <functional>
#include <string>

class TReader {
public:
    // Builds a root whose class the registry does not know (the host's generic form); null when it
    // cannot, which makes the class an unknown one.
    using TCreateRootEvent = std::function<TComponent*(const std::string& className, TComponent* owner)>;
    // Supplies the handler for an event whose method name the root does not publish; an unassigned
    // method when it has none. component is the one whose description holds the line.
    using TFindMethodEvent =
        std::function<TMethod(TComponent* component, const TPropInfo& event, const std::string& methodName)>;

    explicit TReader(std::string text);

    void SetOnCreateRoot(TCreateRootEvent handler) { FOnCreateRoot = std::move(handler); }
    void SetOnFindMethod(TFindMethodEvent handler) { FOnFindMethod = std::move(handler); }
    // The class ReadComponent's root must be or descend from (TComponent unless set): a description
    // whose root names another class is refused with a read error at the class name.
    void SetRootClass(TClass cls) { FRootClass = cls; }

    // Creates the root through its class's virtual constructor with owner (which may be null), reads
    // the whole description into it and returns it. On any error nothing it created survives.
    //
    // What is wrong with the text itself raises EReadError with its line and column. What component
    // code raises while the description is read (a constructor, a property setter, Loaded, the showing
    // of a form stored as visible) and what the reader's handlers raise reaches the caller as it was
    // raised, once everything the read created is destroyed; ErrorContext then tells where.
    TComponent* ReadComponent(TComponent* owner);
    // Reads the description into root, a component already built by code, whose class (or one of its
    // ancestors) must be the stored one. On an error the components this read created are destroyed;
    // root keeps the property values assigned before the error.
    void ReadRootComponent(TComponent* root);

    // After a read that failed in component code: where, as "Line 3, column 11: cannot set Width".
    // Empty after a read that succeeded or failed on the text.
    const std::string& ErrorContext() const noexcept { return FErrorContext; }

private:
    class TBuilder;

    // The builder's way to the component state and the reading hooks, which TComponent opens to
    // TReader only.
    static void SetState(TComponent& component, TComponentStateFlag flag, bool on) { component.SetState(flag, on); }
    static void Loaded(TComponent& component) { component.RunLoaded(); }
    static void ReadCompleted(TComponent& component) { component.RunReadCompleted(); }

    template <class F>
    void InComponentCode(int line, int column, const std::string& what, F action);

    std::string FText;
    TCreateRootEvent FOnCreateRoot;
    TFindMethodEvent FOnFindMethod;
    TClass FRootClass = nullptr;
    std::string FErrorContext;
};

// Names a handler that is not a published method of the root (a designer's, which keeps the names
// the description gave); empty when it has no name for it.
using TMethodNameEvent = std::function<std::string(const TMethod& method)>;

// The description of root and every component it stores, as TReader reads it. Raises EConvertError
// naming the property when a value cannot be written: an event handler that is neither a published
// method of root nor named by methodName, a reference to a component root does not own, a float that
// is not finite.
std::string WriteComponentText(const TComponent& root, const TMethodNameEvent& methodName = {});
