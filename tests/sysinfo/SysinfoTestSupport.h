// What the tests of the system-information components share: a stand-in for MessageBoxA that records
// the boxes, and a root for form descriptions that logs the events its methods receive.
#pragma once

#include "framework/Component.h"
#include "framework/Win32.h"
#include "tests/support/ImportPatch.h"

#include <string>
#include <vector>

// The size of the MEMORYSTATUS record the components hand to GlobalMemoryStatus: two DWORDs and six
// SIZE_T figures, 32 bytes in the i686 build and 56 in the x86_64 one.
#ifdef _WIN64
constexpr DWORD MemoryStatusSize = 56;
#else
constexpr DWORD MemoryStatusSize = 32;
#endif

struct TMessageBoxCall {
    std::string Text;
    std::string Caption;
    UINT Flags;
};

// While it lives, every MessageBoxA of the program is recorded and answered with OK at once.
class TMessageBoxRecorder {
public:
    TMessageBoxRecorder();
    ~TMessageBoxRecorder();
    const std::vector<TMessageBoxCall>& Calls() const;

private:
    TImportPatch FPatch;
};

// The root of the descriptions the tests read, and the receiver of the events the tests attach: its
// published methods log each call as "Sender.Method", or "Method=argument" for an event without a
// sender.
class TSysinfoTestForm : public TComponent {
    QEL_CLASS(TSysinfoTestForm)
public:
    using TComponent::TComponent;

    void BeforeUpdate(TObject* sender);
    void AfterUpdate(TObject* sender);
    void DriveError(int errorNumber);
    void NewValues(TObject* sender);

    std::vector<std::string> Log;

private:
    static TMethodList PublishedMethods();
};
