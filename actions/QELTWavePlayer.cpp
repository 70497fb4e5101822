// The wave player.
#include "actions/QELTWavePlayer.h"

#include "framework/SysUtils.h"
#include "framework/Win32.h"

#include <mmsystem.h>

QEL_CLASS_INFO(TQELWavePlayer, TQELExecuteComponent)
{
    using C = TQELWavePlayer;
    return {
        Prop("WaveFile", &C::WaveFile, &C::SetWaveFile).Stored(TStored::Always),
        Prop("Asynchronously", &C::Asynchronously, &C::SetAsynchronously).Default(true),
        Prop("OnError", &C::OnError, &C::SetOnError),
    };
}

QEL_OPERATIONS(TQELWavePlayer)
{
    using C = TQELWavePlayer;
    return {
        Operation(&C::Execute, "Execute()", "plays WaveFile as Asynchronously says; Play's result"),
        Operation(&C::Play, "Play(FileName, Async)",
                  "plays FileName, returning at once with Async; False for a file that does not exist"),
    };
}

bool TQELWavePlayer::Execute()
{
    return Play(FWaveFile, FAsynchronously);
}

bool TQELWavePlayer::Play(const std::string& fileName, bool async)
{
    if (!FileExists(fileName))
        return false;
    try {
        (void)sndPlaySoundA(fileName.c_str(), (async ? SND_ASYNC : SND_SYNC) | SND_NODEFAULT);
    } catch (...) {
        FOnError(this);
        return false;
    }
    return true;
}
