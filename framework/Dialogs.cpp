// MessageDlg, MessageDlgPos and InputQuery.
#include "framework/Dialogs.h"

#include "framework/Buttons.h"
#include "framework/StdCtrls.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// Layout, in pixels.
constexpr int Margin = 8;         // between the frame and the content
constexpr int Spacing = 10;       // between the icon and the text, the content and the buttons
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int ButtonSpacing = 8;  // between two buttons
constexpr int EditWidth = 240;
constexpr int EditHeight = 21;

// The window a dialog created now belongs to: the active one (a form the user works in, or another
// dialog), else the main form while it is shown, else the application's window.
HWND ActiveFormWindow()
{
    if (HWND active = GetActiveWindow(); active && IsWindowVisible(active))
        return active;
    if (TForm* mainForm = Application->MainForm(); mainForm && mainForm->HandleAllocated() &&
                                                   IsWindowVisible(mainForm->Handle()))
        return mainForm->Handle();
    return Application->Handle();
}

// The message dialog's form (window class "TMessageForm"): it draws the icon of the message's type.
class TMessageForm : public TDialogForm {
    QEL_CLASS(TMessageForm)
public:
    TMessageForm(TComponent* owner, HICON icon, int helpContext)
        : TDialogForm(owner), FIcon(icon), FHelpContext(helpContext)
    {
    }

    int IconSide() const { return FIcon ? GetSystemMetrics(SM_CXICON) : 0; }
    void HelpClick(TObject*) { Application->HelpCommand(HELP_CONTEXT, FHelpContext); }

protected:
    void Paint(HDC dc) override
    {
        if (FIcon)
            DrawIcon(dc, Margin, Margin, FIcon);
        TForm::Paint(dc);
    }

private:
    HICON FIcon; // a shared system icon, which is never destroyed
    int FHelpContext;
};

QEL_CLASS_INFO(TMessageForm, TForm)
{
    return {};
}

TBitBtn* AddButton(TForm* form, const std::string& caption, TModalResult result)
{
    auto* button = new TBitBtn(form);
    button->SetParent(form);
    button->SetCaption(caption);
    button->SetModalResult(result);
    button->SetBounds(0, 0, ButtonWidth, ButtonHeight);
    return button;
}

int RowWidth(const std::vector<TBitBtn*>& buttons)
{
    const int count = static_cast<int>(buttons.size());
    return count * ButtonWidth + std::max(count - 1, 0) * ButtonSpacing;
}

// Lines buttons up, centred in the form's width, at top.
void PlaceButtons(const std::vector<TBitBtn*>& buttons, int clientWidth, int top)
{
    int left = (clientWidth - RowWidth(buttons)) / 2;
    for (TBitBtn* button : buttons) {
        button->SetBounds(left, top, ButtonWidth, ButtonHeight);
        left += ButtonWidth + ButtonSpacing;
    }
}

} // namespace

TDialogForm::TDialogForm(TComponent* owner) : TForm(owner), FOwnerWindow(ActiveFormWindow())
{
}

void TDialogForm::CreateParams(TCreateParams& params)
{
    TForm::CreateParams(params);
    if (IsWindow(FOwnerWindow))
        params.WndParent = FOwnerWindow;
}

void TDialogForm::WndProc(TMessage& message)
{
    // A dialog that ended normally was hidden before its window goes.
    if (message.Msg == WM_NCDESTROY && Visible())
        SetModalResult(mrCancel);
    TForm::WndProc(message);
}

void TDialogForm::CenterOnOwner()
{
    RECT area{0, 0, Screen->Width(), Screen->Height()};
    // The application's window is zero-sized (and far off while minimised): it stands for the screen.
    if (FOwnerWindow != Application->Handle() && IsWindowVisible(FOwnerWindow) && !IsIconic(FOwnerWindow))
        (void)GetWindowRect(FOwnerWindow, &area);
    const int width = Width(), height = Height();
    int left = (area.left + area.right - width) / 2;
    int top = (area.top + area.bottom - height) / 2;
    // A dialog of a form near the edge of the screen stays whole on the screen.
    const RECT wanted{left, top, left + width, top + height};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        left = std::max(std::min(left, static_cast<int>(work.right) - width), static_cast<int>(work.left));
        top = std::max(std::min(top, static_cast<int>(work.bottom) - height), static_cast<int>(work.top));
    }
    SetBounds(left, top, width, height);
}

TModalResult MessageDlg(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx)
{
    return MessageDlgPos(msg, dlgType, buttons, helpCtx, -1, -1);
}

TModalResult MessageDlgPos(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx,
                           int x, int y)
{
    static const char* const titles[] = {"Warning", "Error", "Information", "Confirmation"};
    static const LPCSTR icons[] = {IDI_WARNING, IDI_ERROR, IDI_INFORMATION, IDI_QUESTION};
    static const char* const captions[] = {"&Yes", "&No", "OK", "Cancel", "&Abort", "&Retry", "&Ignore", "&All", "&Help"};
    static constexpr TModalResult results[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrAll, mrNone};

    HICON icon = dlgType == mtCustom ? nullptr : LoadIconA(nullptr, icons[dlgType]);
    auto form = std::make_unique<TMessageForm>(Application, icon, helpCtx);
    form->SetBorderStyle(bsDialog);
    form->SetCaption(dlgType == mtCustom ? Application->Title() : titles[dlgType]);

    // The text keeps its own line breaks and is wrapped where a line is wider than half the screen.
    auto* text = new TLabel(form.get());
    text->SetName("Message");
    text->SetParent(form.get());
    text->SetShowAccelChar(false);
    text->SetCaption(msg);
    if (const int maxWidth = Screen->Width() / 2; text->Width() > maxWidth) {
        text->SetWidth(maxWidth);
        text->SetWordWrap(true);
    }
    const int textLeft = icon ? Margin + form->IconSide() + Spacing : Margin;
    text->SetLeft(textLeft);
    text->SetTop(Margin);

    const TMsgDlgBtn defaultButton = buttons.Contains(mbOK) ? mbOK : buttons.Contains(mbYes) ? mbYes : mbRetry;
    const TMsgDlgBtn cancelButton = buttons.Contains(mbCancel) ? mbCancel : buttons.Contains(mbNo) ? mbNo : mbOK;
    std::vector<TBitBtn*> row;
    for (int b = mbYes; b <= mbHelp; ++b) {
        const auto kind = static_cast<TMsgDlgBtn>(b);
        if (!buttons.Contains(kind))
            continue;
        TBitBtn* button = AddButton(form.get(), captions[b], results[b]);
        button->SetDefault(kind == defaultButton);
        button->SetCancel(kind == cancelButton);
        if (kind == mbHelp)
            button->SetOnClick(TNotifyEvent(form.get(), &TMessageForm::HelpClick));
        if (kind == defaultButton)
            form->SetActiveControl(button);
        row.push_back(button);
    }

    const int clientWidth = std::max(textLeft + text->Width() + Margin, RowWidth(row) + 2 * Margin);
    const int buttonTop = Margin + std::max(form->IconSide(), text->Height()) + Spacing;
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(buttonTop + ButtonHeight + Margin);
    PlaceButtons(row, clientWidth, buttonTop);

    form->CenterOnOwner();
    if (x != -1)
        form->SetLeft(x);
    if (y != -1)
        form->SetTop(y);
    return form->ShowModal();
}

bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    auto form = std::make_unique<TDialogForm>(Application);
    form->SetBorderStyle(bsDialog);
    form->SetCaption(caption);

    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetCaption(prompt);
    label->SetLeft(Margin);
    label->SetTop(Margin);

    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(Margin, label->Top() + label->Height() + 4, EditWidth, EditHeight);
    edit->SetMaxLength(255);
    edit->SetText(value);
    edit->SelectAll();
    label->SetFocusControl(edit);
    form->SetActiveControl(edit);

    TBitBtn* ok = AddButton(form.get(), "", mrNone);
    ok->SetKind(bkOK);
    TBitBtn* cancel = AddButton(form.get(), "", mrNone);
    cancel->SetKind(bkCancel);

    const int clientWidth = std::max(EditWidth, label->Width()) + 2 * Margin;
    const int buttonTop = edit->Top() + edit->Height() + Spacing + 2;
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(buttonTop + ButtonHeight + Margin);
    PlaceButtons({ok, cancel}, clientWidth, buttonTop);
    form->CenterOnOwner();

    if (form->ShowModal() != mrOk)
        return false;
    value = edit->Text();
    return true;
}
