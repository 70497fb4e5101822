// TQELResourceInfo is a live monitor of the machine's resources: once a second it reads the time and
// date, the memory load, physical memory, page-file and virtual-memory use, the free and total space
// of the current drive and the states of the three lock keys into read-only properties, then fires
// OnNewValues. It runs from its creation on, in the designer as well.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/ExtCtrls.h"
#include "framework/Win32.h"

class TQELResourceInfo : public TQELSystemsComponent {
    QEL_CLASS(TQELResourceInfo)
public:
    // Reads everything once and starts the one-second timer.
    explicit TQELResourceInfo(TComponent* owner);
    ~TQELResourceInfo() override;

    // The time and date of the last refresh, in the regional long time and short date formats.
    const std::string& CurrentTime() const noexcept { return FCurrentTime; }
    const std::string& CurrentDate() const noexcept { return FCurrentDate; }
    // Fired after every timed refresh (not after one that an assignment caused).
    const TNotifyEvent& OnNewValues() const noexcept { return FOnNewValues; }
    void SetOnNewValues(const TNotifyEvent& event) { FOnNewValues = event; }
    // Space of the current drive in units of 1024000 bytes, as "N MB"; 0 MB when it cannot be read.
    const std::string& CurrDriveFree() const noexcept { return FCurrDriveFree; }
    const std::string& CurrDriveSize() const noexcept { return FCurrDriveSize; }
    // Whether each lock key is toggled on. Assigning only reads the key again; it never changes it.
    bool CapsLock() const noexcept { return FCapsLock; }
    void Setcaps(bool ignored);
    bool NumLock() const noexcept { return FNumLock; }
    void SetNum(bool ignored);
    bool ScrollLock() const noexcept { return FScrollLock; }
    void SetScroll(bool ignored);
    // "N Percent", "N KB", "N MB" of the last memory status.
    const std::string& MemoryPercInUse() const noexcept { return FMemoryPercInUse; }
    const std::string& PhysMemFree() const noexcept { return FPhysMemFree; }
    const std::string& PhysMemTotal() const noexcept { return FPhysMemTotal; }
    const std::string& PageFileUsed() const noexcept { return FPageFileUsed; }
    const std::string& VirtualMemUsed() const noexcept { return FVirtualMemUsed; }

    // The full refresh, and the writer of every text property: the value is ignored. It makes sure the
    // one-second timer runs (a running one keeps its count) and does not fire OnNewValues.
    void SetAll(const std::string& ignored);

private:
    // The timer's tick: a refresh, then OnNewValues.
    void CheckInfo(TObject* sender);

    TTimer* FTimer; // owned
    MEMORYSTATUS FMemoryStatus{};
    std::string FCurrentTime;
    std::string FCurrentDate;
    TNotifyEvent FOnNewValues;
    std::string FCurrDriveFree;
    std::string FCurrDriveSize;
    bool FCapsLock = false;
    bool FNumLock = false;
    bool FScrollLock = false;
    std::string FMemoryPercInUse;
    std::string FPhysMemFree;
    std::string FPhysMemTotal;
    std::string FPageFileUsed;
    std::string FVirtualMemUsed;
};
