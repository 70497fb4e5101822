// TForm, TApplication and TScreen.
#include "framework/Forms.h"

#include <cstdlib>
#include <utility>
#include <vector>

namespace {

constexpr UINT CM_RELEASE = CN_BASE - 0x100 + 1;
constexpr const char* ApplicationWindowClass = "TApplication";
constexpr int ShowCommands[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED}; // by TWindowState

// The application and the screen live until the process ends; what the application owns is destroyed
// at a normal end, so that components get their orderly destruction.
TApplication* CreateApplication()
{
    auto* application = new TApplication(nullptr);
    std::atexit([] { Application->DestroyComponents(); });
    return application;
}

std::string ModuleFileName()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The text of the exception being handled that is not an Exception.
std::string CurrentExceptionText()
{
    try {
        throw;
    } catch (std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM list)
{
    if (IsWindowVisible(window) && IsWindowEnabled(window))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

} // namespace

TApplication* const Application = CreateApplication();
TScreen* const Screen = new TScreen(nullptr);

// ---------------------------------------------------------------------------------------------------
// TForm

QEL_CLASS_INFO(TForm, TWinControl)
{
    return {
        Prop("Visible", &TForm::Visible, &TForm::SetVisible).Default(false),
        Prop("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle).Default(bsSizeable),
        Prop("Position", &TForm::Position, &TForm::SetPosition).Default(poDesigned),
        Prop("WindowState", &TForm::WindowState, &TForm::SetWindowState).Default(wsNormal),
        Prop("Ctl3D", &TForm::Ctl3D, &TForm::SetCtl3D).Default(true),
        Prop("Font", &TForm::Font, &TForm::SetFont),
        Prop("OnShow", &TForm::OnShow, &TForm::SetOnShow),
        Prop("OnHide", &TForm::OnHide, &TForm::SetOnHide),
        Prop("OnClose", &TForm::OnClose, &TForm::SetOnClose),
        Prop("OnPaint", &TForm::OnPaint, &TForm::SetOnPaint),
    };
}

TForm::TForm(TComponent* owner) : TWinControl(owner), FFont(new TFont())
{
    FVisible = false;
    FBounds = {0, 0, 320, 240};
    FFont->SetOnChange(TNotifyEvent(this, &TForm::FontChange));
}

TForm::~TForm()
{
    // The components go while the form is still whole: their destructors may look at it.
    Destroying();
    DestroyComponents();
    delete FFont;
}

void TForm::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.Style = WS_CLIPCHILDREN;
    switch (FBorderStyle) {
    case bsNone:
        params.Style |= WS_POPUP;
        break;
    case bsSingle:
        params.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER;
        break;
    case bsSizeable:
        params.Style |= WS_OVERLAPPEDWINDOW;
        break;
    case bsDialog:
        params.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        params.ExStyle |= WS_EX_DLGMODALFRAME;
        break;
    case bsToolWindow:
        params.Style |= WS_CAPTION | WS_SYSMENU | WS_BORDER;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        params.Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
        params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    params.ExStyle |= WS_EX_CONTROLPARENT;
    params.WndParent = Application->Handle();
}

void TForm::SetFont(TFont* font)
{
    FFont->Assign(font);
}

HFONT TForm::FontHandle()
{
    return FFont->Handle();
}

void TForm::FontChange(TObject*)
{
    FontChanged();
}

void TForm::SetActiveControl(TWinControl* control)
{
    if (FActiveControl)
        RemoveFreeNotification(FActiveControl);
    FActiveControl = control;
    if (control) {
        FreeNotification(control);
        if (HandleAllocated() && GetActiveWindow() == Handle())
            FocusActiveControl();
    }
}

void TForm::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == FActiveControl)
        FActiveControl = nullptr;
}

bool TForm::FocusActiveControl()
{
    HWND target = FActiveControl && FActiveControl->HandleAllocated()
                      ? FActiveControl->Handle()
                      : GetNextDlgTabItem(Handle(), nullptr, FALSE);
    if (!target || target == Handle() || !IsWindowVisible(target) || !IsWindowEnabled(target))
        return false;
    SetFocus(target);
    return true;
}

void TForm::RememberActiveControl()
{
    for (HWND window = GetFocus(); window && window != Handle() && IsChild(Handle(), window);
         window = GetParent(window))
        if (TWinControl* control = FindControl(window)) {
            SetActiveControl(control);
            return;
        }
}

namespace {

BOOL CALLBACK SendDialogKey(HWND window, LPARAM key)
{
    return SendMessageA(window, CM_DIALOGKEY, static_cast<WPARAM>(key), 0) ? FALSE : TRUE;
}

} // namespace

void TForm::DialogKey(WPARAM key)
{
    // A focused push button takes Enter itself, as the dialog manager's default button would.
    HWND focus = GetFocus();
    if (key == VK_RETURN && IsChild(Handle(), focus) &&
        (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
        SendMessageA(focus, BM_CLICK, 0, 0);
        return;
    }
    EnumChildWindows(Handle(), &SendDialogKey, static_cast<LPARAM>(key));
}

void TForm::SetBorderStyle(TFormBorderStyle style)
{
    if (style == FBorderStyle)
        return;
    FBorderStyle = style;
    RecreateWnd();
}

void TForm::SetPosition(TPosition position)
{
    FPosition = position;
}

bool TForm::WindowHoldsState() const
{
    return HandleAllocated() && FVisible && !FShowing && !ComponentState().Contains(csDesigning);
}

TWindowState TForm::WindowState() const
{
    if (!WindowHoldsState())
        return FWindowState;
    HWND window = const_cast<TForm*>(this)->Handle();
    if (IsIconic(window))
        return wsMinimized;
    if (this == Application->MainForm() && IsIconic(Application->Handle()))
        return wsMinimized;
    if (IsZoomed(window))
        return wsMaximized;
    return wsNormal;
}

void TForm::SetWindowState(TWindowState state)
{
    FWindowState = state;
    if (!WindowHoldsState())
        return;
    if (this == Application->MainForm()) {
        if (state == wsMinimized) {
            Application->Minimize();
            return;
        }
        if (IsIconic(Application->Handle()))
            Application->Restore();
    }
    ShowWindow(Handle(), ShowCommands[state]);
    // A window minimised from the maximised state is restored to maximised first.
    if (state == wsNormal && IsZoomed(Handle()))
        ShowWindow(Handle(), SW_SHOWNORMAL);
}

void TForm::CenterOnScreen()
{
    const int width = Width(), height = Height();
    SetBounds((Screen->Width() - width) / 2, (Screen->Height() - height) / 2, width, height);
}

void TForm::SetVisible(bool visible)
{
    if (visible == FVisible)
        return;
    // A form read from a description shows once the read is complete, after every Loaded.
    if (ComponentState().Contains(csLoading)) {
        FVisible = visible;
        return;
    }
    if (visible) {
        // A form made in code, and what was made on it, is finished before it shows, as a form read
        // from a description is (a single-instance guard on it ends a second copy here).
        Finish();
        FVisible = true;
        Handle();
        if (FPosition == poScreenCenter)
            CenterOnScreen();
        FShowing = true;
        try {
            FOnShow(this);
        } catch (...) {
            FShowing = false;
            throw;
        }
        FShowing = false;
        if (!FVisible) // the handler hid the form again
            return;
        // A minimised main form is a minimised application: the form itself stays normal, hidden
        // with the application's window.
        const bool minimizeApplication = FWindowState == wsMinimized && this == Application->MainForm();
        ShowWindow(Handle(), minimizeApplication ? SW_SHOWNORMAL : ShowCommands[FWindowState]);
        if (minimizeApplication)
            Application->Minimize();
    } else {
        if (HandleAllocated()) {
            FWindowState = WindowState(); // read while still visible: a hidden form reads its field
            ShowWindow(Handle(), SW_HIDE);
        }
        FVisible = false;
        FOnHide(this);
    }
}

void TForm::Close()
{
    if (FModal) {
        FModalResult = mrCancel;
        return;
    }
    TCloseAction action = caHide;
    FOnClose(this, action);
    if (action == caNone)
        return;
    if (this == Application->MainForm()) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide:
        Hide();
        break;
    case caMinimize:
        SetWindowState(wsMinimized);
        break;
    case caFree:
        Release();
        break;
    case caNone:
        break;
    }
}

TModalResult TForm::ShowModal()
{
    if (FVisible || FModal)
        throw EInvalidOperation("Cannot make a visible window modal");
    // Every other window of the thread is disabled while the form is up, as a modal dialog does.
    const HWND activeWindow = GetActiveWindow();
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
    for (HWND window : disabled)
        EnableWindow(window, FALSE);
    FModal = true;
    FModalResult = mrNone;
    try {
        Show();
        SetForegroundWindow(Handle());
        for (;;) {
            Application->HandleMessage();
            if (Application->Terminated() && FModalResult == mrNone)
                FModalResult = mrCancel;
            if (FModalResult == mrNone)
                continue;
            TCloseAction action = caHide;
            FOnClose(this, action);
            if (action != caNone)
                break;
            FModalResult = mrNone;
        }
    } catch (...) {
        EndModal(disabled, activeWindow);
        throw;
    }
    EndModal(disabled, activeWindow);
    return FModalResult;
}

void TForm::EndModal(const std::vector<HWND>& disabled, HWND activeWindow)
{
    // The other windows come back before the form goes, or the system would hand the activation to
    // another program's window; then it goes back to the window that had it.
    FModal = false;
    for (HWND window : disabled)
        EnableWindow(window, TRUE);
    Hide();
    if (activeWindow && IsWindow(activeWindow))
        SetActiveWindow(activeWindow);
}

void TForm::ReadCompleted()
{
    TWinControl::ReadCompleted();
    // In the designer the form stays as designed: Visible is only a value to store.
    if (FVisible && !ComponentState().Contains(csDesigning)) {
        FVisible = false;
        Show();
    }
}

void TForm::Release()
{
    PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

void TForm::Paint(HDC dc)
{
    FOnPaint(this);
    TWinControl::Paint(dc);
}

void TForm::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_CLOSE:
        Close();
        message.Result = 0;
        return;
    case CM_RELEASE:
        delete this;
        return;
    case WM_ACTIVATE:
        if (LOWORD(message.WParam) == WA_INACTIVE)
            RememberActiveControl();
        else if (!HIWORD(message.WParam) && FocusActiveControl()) {
            message.Result = 0;
            return;
        }
        break;
    case DM_GETDEFID:
        // Enter then arrives as IDOK from the dialog manager, whatever the focused control.
        message.Result = MAKELRESULT(IDOK, DC_HASDEFID);
        return;
    case WM_COMMAND:
        if (message.LParam == 0 && (LOWORD(message.WParam) == IDOK || LOWORD(message.WParam) == IDCANCEL)) {
            DialogKey(LOWORD(message.WParam) == IDOK ? VK_RETURN : VK_ESCAPE);
            message.Result = 0;
            return;
        }
        break;
    case WM_SYSCOMMAND:
        if ((message.WParam & 0xFFF0) == SC_MINIMIZE && this == Application->MainForm()) {
            Application->Minimize();
            message.Result = 0;
            return;
        }
        break;
    default:
        break;
    }
    TWinControl::WndProc(message);
}

// ---------------------------------------------------------------------------------------------------
// TApplication

QEL_CLASS_INFO(TApplication, TComponent)
{
    return {};
}

TApplication::TApplication(TComponent* owner) : TComponent(owner), FIcon(new TIcon())
{
    FIcon->SetHandle(CopyIcon(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION))));
    std::string name = ModuleFileName();
    name = name.substr(name.find_last_of("\\/") + 1);
    FTitle = name.substr(0, name.find_last_of('.'));
}

TApplication::~TApplication()
{
    Destroying();
    DestroyComponents();
    if (FHandle) {
        HWND window = FHandle.Release();
        DestroyWindow(window);
    }
    FreeObjectInstance(FObjectInstance);
    delete FIcon;
}

HWND TApplication::Handle()
{
    if (!FHandle) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = ApplicationWindowClass;
        (void)RegisterClassA(&wc); // fails harmlessly when registered already
        HWND window = CreateWindowExA(0, ApplicationWindowClass, FTitle.c_str(),
                                      WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                      Screen->Width() / 2, Screen->Height() / 2, 0, 0, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        if (!window)
            throw EOutOfResources("Cannot create the application window (error " +
                                  std::to_string(GetLastError()) + ")");
        FHandle.Reset(window);
        FObjectInstance = MakeObjectInstance(TWndMethod(this, &TApplication::WndProc));
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FObjectInstance));
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon->Handle()));
    }
    return FHandle.Get();
}

void TApplication::SetTitle(const std::string& title)
{
    FTitle = title;
    if (FHandle)
        SetWindowTextA(FHandle.Get(), title.c_str());
}

void TApplication::SetIcon(TIcon* icon)
{
    FIcon->Assign(icon);
    if (FHandle)
        SendMessageA(FHandle.Get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon->Handle()));
}

void TApplication::SetHint(const std::string& hint)
{
    FHint = hint;
    FOnHint(this);
}

std::string TApplication::ExeName() const
{
    return ModuleFileName();
}

void TApplication::SetMainForm(TForm* form)
{
    if (!FMainForm)
        FMainForm = form;
}

void TApplication::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FMainForm)
        FMainForm = nullptr;
}

void TApplication::Run()
{
    // Forms and components made in code are finished before anything shows.
    Finish();
    if (FMainForm) {
        ShowWindow(Handle(), SW_SHOWNORMAL);
        FMainForm->Show();
    }
    while (!FTerminated)
        HandleMessage();
}

bool TApplication::ProcessMessage(MSG& message)
{
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (message.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    bool handled = false;
    try {
        FOnMessage(message, handled);
    } catch (...) {
        HandleException(this);
        handled = true;
    }
    if (!handled && !IsDialogKeyMessage(message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

bool TApplication::IsDialogKeyMessage(MSG& message)
{
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST)
        return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    auto* form = dynamic_cast<TForm*>(FindControl(root));
    // Keys typed into the form's own window (one without controls) stay the form's.
    if (!form || root == message.hwnd)
        return false;
    if (message.message == WM_SYSCHAR && form->DialogChar(static_cast<char>(message.wParam)))
        return true;
    return IsDialogMessageA(root, &message) != FALSE;
}

void TApplication::ProcessMessages()
{
    MSG message;
    while (ProcessMessage(message)) {
    }
}

void TApplication::HandleMessage()
{
    MSG message;
    if (!ProcessMessage(message))
        Idle();
}

void TApplication::Idle()
{
    ReportUnfinished();
    bool done = true;
    try {
        FOnIdle(this, done);
    } catch (...) {
        HandleException(this);
    }
    if (done && !FTerminated)
        WaitMessage();
}

// A component whose set-up waits for Finish, made in code after its owner was finished, would never
// do its set-up: the program hears of it once, at the first wait for messages after it was made.
void TApplication::ReportUnfinished()
{
    while (TComponent* component = NextLeftUnfinished()) {
        const auto nameOf = [](const TComponent& c) {
            return c.Name().empty() ? "a " + c.ClassName() : c.Name() + " (" + c.ClassName() + ")";
        };
        try {
            throw EComponentError(nameOf(*component) + " was made after " + nameOf(*component->Owner()) +
                                  " was finished and has not been finished itself: call its Finish() once its "
                                  "properties are set");
        } catch (...) {
            HandleException(component);
        }
    }
}

void TApplication::Terminate()
{
    if (!FTerminated) {
        FTerminated = true;
        PostQuitMessage(0);
        // The system's menu loop (a popup menu open) does not end on the quit message.
        (void)EndMenu();
    }
}

void TApplication::HandleException(TObject* sender)
{
    try {
        throw;
    } catch (Exception& e) {
        if (FOnException)
            FOnException(sender ? sender : this, e);
        else
            MessageBox(e.Message() + ".", FTitle, MB_OK | MB_ICONSTOP);
    } catch (...) {
        Exception wrapped(CurrentExceptionText());
        if (FOnException)
            FOnException(sender ? sender : this, wrapped);
        else
            MessageBox(wrapped.Message() + ".", FTitle, MB_OK | MB_ICONSTOP);
    }
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    HWND owner = GetActiveWindow();
    if (!owner)
        owner = FHandle.Get();
    return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

// The forms are owned windows of the application's window: the system hides them while it is
// minimised and shows them again when it is restored. Wine leaves them on the screen, so the
// framework says so itself (a repeat that changes nothing on Windows).
void TApplication::Minimize()
{
    if (IsIconic(Handle()))
        return;
    ShowWindow(Handle(), SW_MINIMIZE);
    ShowOwnedPopups(Handle(), FALSE);
    FOnMinimize(this);
}

void TApplication::Restore()
{
    if (IsIconic(Handle()))
        ShowWindow(Handle(), SW_RESTORE); // the window procedure sees the window come back: Restored
}

void TApplication::Restored()
{
    ShowOwnedPopups(Handle(), TRUE);
    // The zero-sized application window must not keep the keyboard: the form used last gets it.
    HWND popup = GetLastActivePopup(Handle());
    if (popup != Handle() && IsWindowVisible(popup) && IsWindowEnabled(popup))
        SetForegroundWindow(popup);
    FOnRestore(this);
}

bool TApplication::HelpCommand(std::uint16_t command, int data)
{
    bool callHelp = true;
    bool handled = false;
    FOnHelp(command, data, callHelp, handled);
    return handled;
}

bool TApplication::DoShowHint(std::string& hintText, THintInfo& info)
{
    bool canShow = FShowHint;
    FOnShowHint(hintText, canShow, info);
    return canShow;
}

void TApplication::WndProc(TMessage& message)
{
    HWND window = FHandle.Get();
    switch (message.Msg) {
    case WM_SYSCOMMAND:
        switch (message.WParam & 0xFFF0) {
        case SC_MINIMIZE:
            Minimize();
            message.Result = 0;
            return;
        case SC_RESTORE:
            Restore();
            message.Result = 0;
            return;
        default:
            break;
        }
        break;
    case WM_CLOSE:
        if (FMainForm)
            FMainForm->Close();
        message.Result = 0;
        return;
    case WM_ACTIVATEAPP:
        if (message.WParam)
            FOnActivate(this);
        else
            FOnDeactivate(this);
        break;
    case WM_WINDOWPOSCHANGED: {
        // Restore's ShowWindow and another program's (a second copy bringing this one forward) come
        // here alike.
        message.Result = DefWindowProcA(window, message.Msg, message.WParam, message.LParam);
        const bool wasIconic = std::exchange(FIconic, IsIconic(window) != FALSE);
        if (wasIconic && !FIconic)
            Restored();
        return;
    }
    case WM_QUERYENDSESSION:
        message.Result = TRUE;
        return;
    case WM_ENDSESSION:
        if (message.WParam)
            EndSession();
        message.Result = 0;
        return;
    default:
        break;
    }
    message.Result = DefWindowProcA(window, message.Msg, message.WParam, message.LParam);
}

// The system ends the process once WM_ENDSESSION is answered, so everything an orderly end does
// happens here: the forms close as they would for the user (the main form first, so that what is
// stored on its close sees the others as they are), every component is destroyed (a detector of
// abnormal ends clears its marker), and the process ends before anything can run on what is gone.
void TApplication::EndSession()
{
    std::vector<TForm*> forms;
    if (FMainForm)
        forms.push_back(FMainForm);
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* form = dynamic_cast<TForm*>(Components(i)); form && form != FMainForm)
            forms.push_back(form);
    for (TForm* form : forms) {
        // A handler may have freed a form meanwhile: only those still owned here are closed.
        bool owned = false;
        for (int i = 0; i < ComponentCount() && !owned; ++i)
            owned = Components(i) == form;
        if (!owned || !form->Visible())
            continue;
        try {
            form->Close();
        } catch (...) {
            HandleException(form);
        }
    }
    Halt(0);
}

void Halt(int exitCode)
{
    Application->DestroyComponents();
    std::exit(exitCode);
}

std::string EventArgText(const Exception& e)
{
    return "'" + e.Message() + "'";
}

std::string EventArgText(const MSG& message)
{
    return "{Msg=" + std::to_string(message.message) + " WParam=" + std::to_string(message.wParam) +
           " LParam=" + std::to_string(message.lParam) + "}";
}

std::string EventArgText(const THintInfo& info)
{
    return "{HintControl=" + EventArgText(static_cast<const TObject*>(info.HintControl)) + "}";
}

// ---------------------------------------------------------------------------------------------------
// TScreen

QEL_CLASS_INFO(TScreen, TComponent)
{
    return {};
}

TScreen::TScreen(TComponent* owner) : TComponent(owner)
{
}

int TScreen::Width() const
{
    return GetSystemMetrics(SM_CXSCREEN);
}

int TScreen::Height() const
{
    return GetSystemMetrics(SM_CYSCREEN);
}
