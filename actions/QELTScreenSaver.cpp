// The screen saver settings.
#include "actions/QELTScreenSaver.h"

#include "framework/Forms.h"

QEL_CLASS_INFO(TQELScreenSaver, TQELExecuteComponent)
{
    using C = TQELScreenSaver;
    return {
        Prop("Active", &C::Active, &C::SetActive).Stored(TStored::Always).Initially("the system's"),
        Prop("Seconds", &C::Seconds, &C::SetSeconds).Stored(TStored::Always).Initially("the system's"),
    };
}

QEL_OPERATIONS(TQELScreenSaver)
{
    using C = TQELScreenSaver;
    return {
        Operation(&C::Execute, "Execute()",
                  "starts the screen saver when it is active; True unless there is no form to start it from"),
    };
}

bool TQELScreenSaver::Active() const
{
    BOOL active = FALSE;
    (void)SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    return active != FALSE;
}

void TQELScreenSaver::SetActive(bool active)
{
    (void)SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, active ? 1 : 0, nullptr, SPIF_SENDWININICHANGE);
}

int TQELScreenSaver::Seconds() const
{
    int seconds = 0;
    (void)SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0);
    return seconds;
}

void TQELScreenSaver::SetSeconds(int seconds)
{
    (void)SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, static_cast<UINT>(seconds), nullptr, SPIF_SENDWININICHANGE);
}

bool TQELScreenSaver::Execute()
{
    if (!Active())
        return true;
    if (!Owner())
        return false;
    (void)SendMessageA(Owner()->As<TForm>()->Handle(), WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    return true;
}
