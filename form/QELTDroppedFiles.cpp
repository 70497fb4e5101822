// The dropped-files receiver.
#include "form/QELTDroppedFiles.h"

#include "framework/Forms.h"

#include <vector>

QEL_CLASS_INFO(TQELDroppedFiles, TQELHookComponent)
{
    using C = TQELDroppedFiles;
    return {
        Prop("CollectBy", &C::CollectBy, &C::SetCollectBy).Default(dFullPath),
        Prop("DroppedItems", &C::DroppedItems, &C::SetDroppedItems).Stored(TStored::Never),
        Prop("Active", &C::Active, &C::SetActive).Default(false),
        Prop("OnStartDrop", &C::OnStartDrop, &C::SetOnStartDrop),
        Prop("OnEndDrop", &C::OnEndDrop, &C::SetOnEndDrop),
        Prop("OnDrop", &C::OnDrop, &C::SetOnDrop),
    };
}

namespace {

// Checked before the hook goes in, so a wrong owner leaves nothing hooked.
TComponent* FormOwner(TComponent* owner)
{
    if (owner)
        (void)owner->As<TForm>();
    return owner;
}

std::string DroppedFileName(HDROP drop, UINT index)
{
    std::vector<char> name(std::size_t{DragQueryFileA(drop, index, nullptr, 0)} + 1);
    (void)DragQueryFileA(drop, index, name.data(), static_cast<UINT>(name.size()));
    return name.data();
}

// The name part is what follows the last backslash; the extension what follows the first dot of the
// name part (archive.tar.gz gives tar.gz). Without a backslash the whole path counts for the
// extension and the name part is empty.
std::string CollectedItem(const std::string& path, TQELFileDisplay collectBy)
{
    std::string name;
    std::string extension;
    for (std::size_t i = path.size(); i-- > 0;) {
        if (path[i] == '.')
            extension = path.substr(i + 1);
        else if (path[i] == '\\') {
            name = path.substr(i + 1);
            break;
        }
    }
    switch (collectBy) {
    case dFullName:
        return name;
    case dExtension:
        return extension;
    case dFullPath:
        break;
    }
    return path;
}

} // namespace

TQELDroppedFiles::TQELDroppedFiles(TComponent* owner)
    : TQELHookComponent(FormOwner(owner)), FDroppedItems(new TStringList())
{
}

TQELDroppedFiles::~TQELDroppedFiles()
{
    delete FDroppedItems;
}

void TQELDroppedFiles::SetDroppedItems(TStrings* items)
{
    FDroppedItems->Assign(items);
}

void TQELDroppedFiles::SetActive(bool active)
{
    FActive = active;
    DragAcceptFiles(HookedWindow(), active ? TRUE : FALSE);
}

void TQELDroppedFiles::Loaded()
{
    TQELHookComponent::Loaded();
    SetActive(FActive);
}

void TQELDroppedFiles::Hooked(TMessage& message)
{
    if (message.Msg != WM_DROPFILES) {
        TQELHookComponent::Hooked(message);
        return;
    }
    // The shell's drop memory goes back on every path, a handler's error included.
    const TDropHandle drop(reinterpret_cast<HDROP>(message.WParam));
    try {
        CollectDrop(drop.Get());
    } catch (...) {
        Application->HandleException(this);
    }
    message.Result = 0;
}

void TQELDroppedFiles::CollectDrop(HDROP drop)
{
    FOnStartDrop(this);
    FDroppedItems->Clear();
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        FDroppedItems->Add(CollectedItem(DroppedFileName(drop, i), FCollectBy));
        FOnDrop(this, FDroppedItems->Strings(FDroppedItems->Count() - 1));
    }
    FOnEndDrop(this);
}
