// TMenuItem and TPopupMenu.
#include "framework/Menus.h"

#include "framework/Forms.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------------
// TMenuItem

QEL_CLASS_INFO(TMenuItem, TComponent)
{
    return {
        Prop("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption).Stored(TStored::NotEmpty),
        Prop("OnClick", &TMenuItem::OnClick, &TMenuItem::SetOnClick),
    };
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner)
{
}

TMenuItem::~TMenuItem()
{
    if (FMenu)
        FMenu->Remove(this);
}

void TMenuItem::Click()
{
    FOnClick(this);
}

TComponent* TMenuItem::GetParentComponent() const
{
    return FMenu;
}

void TMenuItem::SetParentComponent(TComponent* parent)
{
    auto* menu = ObjectAs<TPopupMenu>(parent);
    if (menu)
        menu->Add(this);
    else if (FMenu)
        FMenu->Remove(this);
}

// ---------------------------------------------------------------------------------------------------
// TPopupMenu

QEL_CLASS_INFO(TPopupMenu, TComponent)
{
    return {};
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner)
{
}

TPopupMenu::~TPopupMenu()
{
    while (!FItems.empty())
        delete FItems.back();
}

TMenuItem* TPopupMenu::Items(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FItems[static_cast<std::size_t>(index)];
}

void TPopupMenu::Add(TMenuItem* item)
{
    if (item->FMenu)
        item->FMenu->Remove(item);
    FItems.push_back(item);
    item->FMenu = this;
}

void TPopupMenu::Remove(TMenuItem* item)
{
    FItems.erase(std::remove(FItems.begin(), FItems.end(), item), FItems.end());
    if (item->FMenu == this)
        item->FMenu = nullptr;
}

void TPopupMenu::Popup(int x, int y)
{
    TMenuHandle menu(CreatePopupMenu());
    if (!menu)
        throw EOutOfResources("Cannot create a menu (error " + std::to_string(GetLastError()) + ")");
    // Command 0 means "nothing chosen", so item i is command i + 1.
    const std::vector<TMenuItem*> shown = FItems;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const std::string& caption = shown[i]->Caption();
        if (caption == "-")
            AppendMenuA(menu.Get(), MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu.Get(), MF_STRING, i + 1, caption.c_str());
    }
    // The menu needs a window of this thread to belong to: the active one, else the application's.
    // Made the foreground window first, it lets the menu close when the user clicks elsewhere, also
    // when it was opened from the notification area.
    HWND owner = GetActiveWindow();
    if (!owner)
        owner = Application->Handle();
    SetForegroundWindow(owner);
    const auto command = static_cast<std::size_t>(TrackPopupMenu(
        menu.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0,
        owner, nullptr));
    PostMessageA(owner, WM_NULL, 0, 0);
    // Messages handled while the menu was open may have freed the chosen item.
    if (command > 0 && command <= shown.size() &&
        std::find(FItems.begin(), FItems.end(), shown[command - 1]) != FItems.end())
        shown[command - 1]->Click();
}

void TPopupMenu::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const
{
    TComponent::GetChildren(proc, root);
    for (TMenuItem* item : FItems)
        if (item->Owner() == root)
            proc(item);
}
