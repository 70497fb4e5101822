// TComponent: the owned, named, streamable object every component of the library derives from.
//
// Ownership: a component is created with its owner and inserted into the owner's list; destroying
// the owner destroys what it owns, last created first. Everything else that keeps a pointer to a
// component asks it for a removal notice (FreeNotification) and clears the pointer in Notification.
//
// Finishing. A component does part of its set-up once its properties are all set: in Loaded, and in
// ReadCompleted once everything around it is loaded too. Reading a description (TReader) runs both
// for every component it creates. A component made in code gets them, each exactly once, from the
// first of these:
//   - Finish() on it or on a component that owns it (a form finishes itself and everything on it);
//   - its form being shown (TForm::Show, ShowModal, Visible), which finishes the form first;
//   - TApplication::Run, which finishes everything the application owns before the main form shows.
// So a program that makes its forms and components in code, sets their properties and calls
// Application->Run() needs no call of its own: a single-instance guard made that way ends a second
// copy before its form shows, as one read from a description does. A component made later, on a form
// already finished (shown, or read from a description), waits for Finish(); one whose Loaded does
// set-up of its own (NeedsFinish) that is still not finished when the application next waits for
// messages is reported through Application->HandleException as an EComponentError naming it, rather
// than doing nothing without a word. Finishing a component already finished does nothing.
#pragma once

#include "framework/TypInfo.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

enum TComponentStateFlag : std::uint8_t { csLoading, csReading, csWriting, csDestroying, csDesigning };
inline const TEnumInfo& EnumTypeInfo(TComponentStateFlag)
{
    static const TEnumInfo info{"TComponentStateFlag",
                                {"csLoading", "csReading", "csWriting", "csDestroying", "csDesigning"},
                                "TComponentState"};
    return info;
}
using TComponentState = TSet<TComponentStateFlag>;

enum TOperation : std::uint8_t { opInsert, opRemove };
inline const TEnumInfo& EnumTypeInfo(TOperation)
{
    static const TEnumInfo info{"TOperation", {"opInsert", "opRemove"}};
    return info;
}

// Where the designer shows a component that is not a control (a control's place is its bounds).
struct TDesignPosition {
    int Left = 0;
    int Top = 0;
    bool operator==(const TDesignPosition&) const = default;
};

class TComponent : public TPersistent {
    QEL_CLASS(TComponent)
public:
    // The virtual constructor: the class registry creates any registered component class through it.
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    TComponent* Owner() const noexcept { return FOwner; }
    int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const; // EListError when out of bounds
    int ComponentIndex() const;               // position in the owner's list, -1 without owner
    TComponent* FindComponent(std::string_view name) const;

    const std::string& Name() const noexcept { return FName; }
    // A valid identifier (or empty), unique among the owner's components; EComponentError otherwise.
    virtual void SetName(const std::string& name);
    int Tag() const noexcept { return FTag; }
    void SetTag(int tag) { FTag = tag; }

    TComponentState ComponentState() const noexcept { return FComponentState; }

    // The design position of a component that is not a control: none until the designer or a
    // description gives it one. The description keeps it as the component's Left and Top lines.
    const std::optional<TDesignPosition>& DesignPosition() const noexcept { return FDesignPosition; }
    void SetDesignPosition(std::optional<TDesignPosition> position) { FDesignPosition = position; }

    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    // Destroys every owned component, last created first.
    void DestroyComponents();
    // Marks this component and everything it owns as being destroyed.
    void Destroying();

    // Asks component for a removal notice: when it is destroyed, this component's Notification is
    // called with opRemove. The link goes both ways, so either side may go first.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // Puts this component and everything it owns into (or out of) the designer's state.
    void SetDesigning(bool designing);

    // Finishes this component and everything it owns that is not finished yet (above): Loaded for each,
    // this one first and then what it owns in the order of creation, then ReadCompleted for each in
    // the same order. Components being read or destroyed are left alone. What a component raises
    // reaches the caller; that component counts as finished, the others wait for the next call.
    void Finish();
    // Whether the component was finished: read from a description, or finished since it was made.
    bool Finished() const noexcept { return FCompleted; }
    // True for a component whose Loaded does set-up that one made in code must not go without; such a
    // component left unfinished after its owner was finished is reported (above).
    virtual bool NeedsFinish() const noexcept { return false; }

    // Streaming hooks. A component that lives inside another one in a description (a control on its
    // parent) reports that parent; GetChildren hands the writer the components stored inside this one.
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent*) {}
    virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const;

protected:
    // Called by the reader after the whole description was read and references were resolved.
    virtual void Loaded();
    // Called by the reader once every component it read has had its Loaded, root first: for what
    // needs the whole form in place (a form stored as visible is shown here).
    virtual void ReadCompleted() {}
    virtual void Notification(TComponent* component, TOperation operation);

private:
    friend class TReader;
    friend class TApplication; // reports what was left unfinished when it waits for messages
    void SetState(TComponentStateFlag flag, bool on);
    void ValidateName(const std::string& name) const;
    // The finishing steps, each run once; the reader runs them for what it read.
    void RunLoaded();
    void RunReadCompleted();
    // The first component of this one's tree (this one, then what it owns in the order of creation,
    // depth first) for which pending holds. Components being destroyed, and what they own, are passed
    // over; so are components being read (the reader finishes them), but not what code made on them.
    TComponent* FindPending(bool (*pending)(const TComponent&));
    // The next component of the tree that NeedsFinish and is not finished although its owner is,
    // marked as reported so that it comes once; null when there is none.
    TComponent* NextLeftUnfinished();

    TComponent* FOwner = nullptr;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    std::string FName;
    int FTag = 0;
    std::optional<TDesignPosition> FDesignPosition;
    TComponentState FComponentState;
    bool FLoaded = false;    // Loaded has run
    bool FCompleted = false; // ReadCompleted has run
    bool FReported = false;  // reported as left unfinished
};

// Tells code that lets the message loop run (where a handler may free a component) whether the
// component it works for still stands, so that it touches nothing of a freed one. Watches through a
// removal notice; a component being destroyed counts as gone.
class TComponentWatch : public TComponent {
public:
    explicit TComponentWatch(TComponent* watched);
    ~TComponentWatch() override;
    bool Alive() const noexcept { return FWatched && !FWatched->ComponentState().Contains(csDestroying); }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TComponent* FWatched;
};
