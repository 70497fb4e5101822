// Pop-up menus and their items.
#pragma once

#include "framework/Component.h"
#include "framework/Win32.h"

#include <vector>

class TPopupMenu;

// One entry of a menu; the caption "-" makes a separator. In a description the items are stored
// inside their menu.
class TMenuItem : public TComponent {
    QEL_CLASS(TMenuItem)
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& caption) { FCaption = caption; }
    // Fires OnClick, as choosing the item does.
    void Click();

    const TNotifyEvent& OnClick() const noexcept { return FOnClick; }
    void SetOnClick(const TNotifyEvent& event) { FOnClick = event; }

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

private:
    friend class TPopupMenu;

    std::string FCaption;
    TPopupMenu* FMenu = nullptr;
    TNotifyEvent FOnClick;
};

// A menu shown at a screen position. The items are in the menu's list, not owned by it: the owner
// (the form) frees them, and a menu being freed takes its items with it, as a control its children.
class TPopupMenu : public TComponent {
    QEL_CLASS(TPopupMenu)
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const; // EListError when out of bounds
    // Appends item, taking it out of the menu it was in.
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);

    // Shows the menu with its top-left corner at the screen point (x, y) and returns once it is
    // closed, after the chosen item's OnClick.
    void Popup(int x, int y);

    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;

private:
    std::vector<TMenuItem*> FItems;
};
