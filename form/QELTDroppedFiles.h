// TQELDroppedFiles lets the user drop files from the shell onto its owner form: it registers the
// form's window as a drop target while Active, and collects each drop into DroppedItems as full
// paths, file names or extensions, with events at the start of a drop, for each file and at the end.
#pragma once

#include "foundation/QELTFormHook.h"
#include "framework/StringList.h"

// What is collected for each dropped file.
enum TQELFileDisplay : std::uint8_t { dFullPath, dFullName, dExtension };
inline const TEnumInfo& EnumTypeInfo(TQELFileDisplay)
{
    static const TEnumInfo info{"TQELFileDisplay", {"dFullPath", "dFullName", "dExtension"}};
    return info;
}

// DroppedItem is the item just collected.
struct TQELOnDrop : TEvent<TObject*, std::string> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TQELOnDrop";
    static constexpr std::array<std::string_view, 2> ParamNames{"Sender", "DroppedItem"};
};

class TQELDroppedFiles : public TQELHookComponent {
    QEL_CLASS(TQELDroppedFiles)
public:
    // The owner must be a form (EInvalidCast otherwise).
    explicit TQELDroppedFiles(TComponent* owner);
    // The window stays registered as a drop target.
    ~TQELDroppedFiles() override;

    TQELFileDisplay CollectBy() const noexcept { return FCollectBy; }
    void SetCollectBy(TQELFileDisplay collectBy) { FCollectBy = collectBy; }
    // The items of the most recent drop, in the shell's order. Assigning copies the lines.
    TStrings* DroppedItems() const noexcept { return FDroppedItems; }
    void SetDroppedItems(TStrings* items);
    // Registers the hooked window as a drop target, or withdraws it, at once (also while the form is
    // read, and in the designer).
    bool Active() const noexcept { return FActive; }
    void SetActive(bool active);

    const TNotifyEvent& OnStartDrop() const noexcept { return FOnStartDrop; }
    void SetOnStartDrop(const TNotifyEvent& event) { FOnStartDrop = event; }
    const TNotifyEvent& OnEndDrop() const noexcept { return FOnEndDrop; }
    void SetOnEndDrop(const TNotifyEvent& event) { FOnEndDrop = event; }
    const TQELOnDrop& OnDrop() const noexcept { return FOnDrop; }
    void SetOnDrop(const TQELOnDrop& event) { FOnDrop = event; }

    // WM_DROPFILES is handled here and not passed on; every other message passes.
    void Hooked(TMessage& message) override;

protected:
    // Registers the window that is finally hooked.
    void Loaded() override;

private:
    void CollectDrop(HDROP drop);

    TQELFileDisplay FCollectBy = dFullPath;
    TStringList* FDroppedItems;
    bool FActive = false;
    TNotifyEvent FOnStartDrop;
    TNotifyEvent FOnEndDrop;
    TQELOnDrop FOnDrop;
};
