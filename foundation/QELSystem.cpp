// The base classes of the library's components.
#include "foundation/QELSystem.h"

#include "framework/Win32.h"

#include <array>

QEL_CLASS_INFO(TQELSystemsComponent, TComponent)
{
    return {
        Prop("About", &TQELSystemsComponent::About, &TQELSystemsComponent::SetAbout)
            .Default("(About)")
            .Stored(TStored::Never),
    };
}

QEL_CLASS_INFO(TQELExecuteComponent, TQELSystemsComponent)
{
    return {
        Prop("DesignExecute", &TQELExecuteComponent::DesignExecute, &TQELExecuteComponent::SetDesignExecute)
            .Default("")
            .Stored(TStored::Never),
    };
}

QEL_OPERATIONS(TQELExecuteComponent)
{
    using C = TQELExecuteComponent;
    return {
        Operation(&C::Execute, "Execute()",
                  "does the component's action; True when it succeeded (here: nothing, False)"),
    };
}

QEL_CLASS_INFO(TQELAdvancedExecComponent, TQELExecuteComponent)
{
    return {
        Prop("Sound", &TQELAdvancedExecComponent::Sound, &TQELAdvancedExecComponent::SetSound).Default(bNone),
    };
}

QEL_OPERATIONS(TQELAdvancedExecComponent)
{
    using C = TQELAdvancedExecComponent;
    return {
        Operation(&C::Execute, "Execute()", "plays Sound and gives False; the dialogs below play it before they show"),
    };
}

TQELSystemsComponent::TQELSystemsComponent(TComponent* owner) : TComponent(owner), FAbout("(About)")
{
}

bool TQELExecuteComponent::Execute()
{
    return false;
}

bool TQELAdvancedExecComponent::Execute()
{
    (void)TQELExecuteComponent::Execute();
    static constexpr std::array<UINT, 5> soundTypes{MB_OK, MB_ICONASTERISK, MB_ICONEXCLAMATION,
                                                    MB_ICONQUESTION, MB_ICONHAND};
    const auto ordinal = static_cast<std::size_t>(FSound);
    if (ordinal >= 1 && ordinal <= soundTypes.size())
        (void)MessageBeep(soundTypes[ordinal - 1]);
    return false;
}
