// TQELWavePlayer plays a wave file through the system's sound player, asynchronously or to its end.
#pragma once

#include "foundation/QELSystem.h"

#include <string>

class TQELWavePlayer : public TQELExecuteComponent {
    QEL_CLASS(TQELWavePlayer)
public:
    using TQELExecuteComponent::TQELExecuteComponent;

    // Plays WaveFile as Asynchronously says; the result is Play's.
    bool Execute() override;
    // Plays fileName, returning at once when async is set, else once the sound has finished. False
    // for a file that does not exist (nothing else happens) and when the play call raises (OnError
    // fires); true otherwise, also when the system could not play the file. No default sound stands
    // in for one that cannot be played.
    bool Play(const std::string& fileName, bool async);

    const std::string& WaveFile() const noexcept { return FWaveFile; }
    void SetWaveFile(const std::string& waveFile) { FWaveFile = waveFile; }
    bool Asynchronously() const noexcept { return FAsynchronously; }
    void SetAsynchronously(bool asynchronously) { FAsynchronously = asynchronously; }
    // Sender is the component.
    const TNotifyEvent& OnError() const noexcept { return FOnError; }
    void SetOnError(const TNotifyEvent& event) { FOnError = event; }

private:
    std::string FWaveFile;
    bool FAsynchronously = true;
    TNotifyEvent FOnError;
};
