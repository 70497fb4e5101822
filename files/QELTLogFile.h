// TQELLogFile appends one line per call to a text log file, optionally after a fixed label, the time
// and the date, and can empty the log again. The file is opened and closed by every call. Components
// and processes writing one log take turns, so each line arrives whole: a writer holds an exclusive
// lock on the byte at offset 2^62 of the file while it seeks to the end and writes (another program
// that takes the same lock writes in turn with them).
#pragma once

#include "foundation/QELSystem.h"

#include <string>

class TQELLogFile : public TQELSystemsComponent {
    QEL_CLASS(TQELLogFile)
public:
    explicit TQELLogFile(TComponent* owner);

    // Appends the line "[Special] [time] [date] text" as the options ask, creating the file (with
    // Header as its first line when LogHeader is set) when there is none. A file that cannot be opened
    // or written raises EInOutError. Does nothing while LogFile is empty.
    void Log(const std::string& text);
    // Fires OnClear, then empties an existing log, leaving Header in it when LogHeader is set; a missing
    // log is not created. Does nothing, and fires nothing, while LogFile is empty.
    void ClearLog();

    // Used as it stands: a name without a directory is in the current directory.
    const std::string& LogFile() const noexcept { return FLogFile; }
    void SetLogFile(const std::string& value) { FLogFile = value; }
    const std::string& Header() const noexcept { return FHeader; }
    void SetHeader(const std::string& value) { FHeader = value; }
    bool LogTime() const noexcept { return FLogTime; }
    void SetLogTime(bool value) { FLogTime = value; }
    bool LogDate() const noexcept { return FLogDate; }
    void SetLogDate(bool value) { FLogDate = value; }
    bool LogSpecial() const noexcept { return FLogSpecial; }
    void SetLogSpecial(bool value) { FLogSpecial = value; }
    bool LogHeader() const noexcept { return FLogHeader; }
    void SetLogHeader(bool value) { FLogHeader = value; }
    const std::string& Special() const noexcept { return FSpecial; }
    void SetSpecial(const std::string& value) { FSpecial = value; }
    const TNotifyEvent& OnClear() const noexcept { return FOnClear; }
    void SetOnClear(const TNotifyEvent& event) { FOnClear = event; }

private:
    std::string FLogFile;
    std::string FHeader;
    bool FLogTime = false;
    bool FLogDate = false;
    bool FLogSpecial = false;
    bool FLogHeader = false;
    std::string FSpecial;
    TNotifyEvent FOnClear;
};
