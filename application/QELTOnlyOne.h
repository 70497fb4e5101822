// TQELOnlyOne, the single-instance guard: placed on the main form, it counts the running copies of the
// application once the form is loaded and, when there are more than Instances, fires OnExceeded, brings
// the copy already running forward and/or ends this one (OnExceed).
//
// A copy is recognised by its application window (Application->Handle()): a top-level window with the
// same window class name and the same title as this application's, this copy's own window included.
// Copies started at the same moment are counted one after another under a named mutex of the session
// (named after the class and title), and a copy that ends keeps the mutex until its window is gone, so
// that of copies started together exactly Instances keep running. Before it ends, a copy sends its
// command line and current directory to the copy it found, whose guard fires OnNewInstance with them.
//
// Only one TQELOnlyOne may exist in a process: a second one raises QELTOnlyOne::EQELDuplicateError. The
// unit's exception lives in the namespace QELTOnlyOne, since unit QELTApplication declares one of the
// same name.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/Controls.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace QELTOnlyOne {

class EQELDuplicateError : public Exception {
public:
    using Exception::Exception;
};

} // namespace QELTOnlyOne

// What a copy does when the limit is exceeded.
enum TQELAction : std::uint8_t { aRestoreAndExit, aRestore, aExit, aNone };
inline const TEnumInfo& EnumTypeInfo(TQELAction)
{
    static const TEnumInfo info{"TQELAction", {"aRestoreAndExit", "aRestore", "aExit", "aNone"}};
    return info;
}

// NoOfInstances: the running copies found, this one included.
struct TQELOnExceeded : TEvent<TObject*, int> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TQELOnExceeded";
    static constexpr std::array<std::string_view, 2> ParamNames{"Sender", "NoOfInstances"};
};

// Fired in the running copy when a new copy ended in its favour: Arguments is the new copy's command
// line after its program name, Directory its current directory when it started.
struct TQELOnNewInstance : TEvent<TObject*, const std::string&, const std::string&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TQELOnNewInstance";
    static constexpr std::array<std::string_view, 3> ParamNames{"Sender", "Arguments", "Directory"};
};

class TQELOnlyOne : public TQELSystemsComponent {
    QEL_CLASS(TQELOnlyOne)
public:
    // Raises QELTOnlyOne::EQELDuplicateError while another TQELOnlyOne exists, in the designer too.
    explicit TQELOnlyOne(TComponent* owner);
    ~TQELOnlyOne() override;

    std::uint8_t Instances() const noexcept { return FInstances; }
    void SetInstances(std::uint8_t instances) { FInstances = instances; }
    TQELAction OnExceed() const noexcept { return FOnExceed; }
    void SetOnExceed(TQELAction action) { FOnExceed = action; }
    const TQELOnExceeded& OnExceeded() const noexcept { return FOnExceeded; }
    void SetOnExceeded(const TQELOnExceeded& event) { FOnExceeded = event; }
    const TQELOnNewInstance& OnNewInstance() const noexcept { return FOnNewInstance; }
    void SetOnNewInstance(const TQELOnNewInstance& event) { FOnNewInstance = event; }

    // Counts the running copies and acts when there are too many; Loaded calls it outside the designer.
    void CheckPrevInstances();

    // Made in code, it counts when it is finished (TComponent::Finish): at the latest when its form is
    // first shown or Application->Run starts, so that a second copy ends before it shows anything.
    bool NeedsFinish() const noexcept override { return true; }

protected:
    void Loaded() override;

private:
    // Procedure of the application's window while the guard is installed: it takes the new copies'
    // command lines (WM_COPYDATA) and hands them to OnNewInstance from the message loop.
    void ApplicationWndProc(TMessage& message);
    bool TakeNewInstance(LPARAM record);
    void FireNewInstances();

    std::uint8_t FInstances = 1;
    TQELAction FOnExceed = aRestoreAndExit;
    TQELOnExceeded FOnExceeded;
    TQELOnNewInstance FOnNewInstance;

    HWND FHookedWindow = nullptr;
    WNDPROC FObjectInstance = nullptr;
    WNDPROC FPrevWndProc = nullptr;
    std::vector<std::pair<std::string, std::string>> FNewInstances; // arguments and directory, waiting
};
