// The base classes every component of the library derives from: the About text, the one main
// action (Execute) with its design-time test button, and the system sound played before a dialog.
#pragma once

#include "framework/Component.h"

enum TQELBeeptype : std::uint8_t { bNone, bDefault, bAsterix, bExclamation, bQuestion, bCriticalStop };
inline const TEnumInfo& EnumTypeInfo(TQELBeeptype)
{
    static const TEnumInfo info{"TQELBeeptype",
                                {"bNone", "bDefault", "bAsterix", "bExclamation", "bQuestion", "bCriticalStop"}};
    return info;
}

class TQELSystemsComponent : public TComponent {
    QEL_CLASS(TQELSystemsComponent)
public:
    explicit TQELSystemsComponent(TComponent* owner);

    const std::string& About() const noexcept { return FAbout; }
    void SetAbout(const std::string& about) { FAbout = about; }

private:
    std::string FAbout;
};

class TQELExecuteComponent : public TQELSystemsComponent {
    QEL_CLASS(TQELExecuteComponent)
public:
    using TQELSystemsComponent::TQELSystemsComponent;

    // Performs the component's main action; true when it succeeded. The base does nothing.
    virtual bool Execute();

    // Carries no data: it gives the designer a property to hang the "Execute Test" button on.
    const std::string& DesignExecute() const noexcept { return FDesignExecute; }
    void SetDesignExecute(const std::string& text) { FDesignExecute = text; }

private:
    std::string FDesignExecute;
};

class TQELAdvancedExecComponent : public TQELExecuteComponent {
    QEL_CLASS(TQELAdvancedExecComponent)
public:
    using TQELExecuteComponent::TQELExecuteComponent;

    // Plays Sound and returns false; descendants call it first so the sound precedes their dialog.
    bool Execute() override;

    TQELBeeptype Sound() const noexcept { return FSound; }
    void SetSound(TQELBeeptype sound) { FSound = sound; }

private:
    TQELBeeptype FSound = bNone;
};
