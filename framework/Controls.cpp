// Object window procedures, hidden utility windows, TControl and TWinControl.
#include "framework/Controls.h"

#include "framework/Forms.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <set>
#include <utility>

// ---------------------------------------------------------------------------------------------------
// Object instances: executable thunks made a block at a time (see Controls.h).

#if !defined(__i386__) && !defined(_M_IX86) && !defined(__x86_64__) && !defined(_M_X64)
#error "The object instance thunks are x86 or x86_64 code"
#endif

namespace {

struct TInstance {
    TWndMethod Method;
    // Taken over by a stand-in for a subclasser that is gone (see UnhookWindowProc): the owner's
    // FreeObjectInstance leaves it alone, the stand-in frees it with the window.
    bool Adopted = false;
};

// What one thunk hands to the dispatcher: the instance it stands for, none while it is free. Cells
// live in ordinary memory; the thunks that point to them are never written again.
struct TThunkCell {
    TInstance* Instance = nullptr;
};

struct TThunkBlock {
    const unsigned char* Code; // execute-read
    std::size_t Count;
    std::unique_ptr<TThunkCell[]> Cells;
};

struct TThunkPool {
    std::vector<TThunkBlock> Blocks;
    std::vector<WNDPROC> Free; // its capacity holds every thunk, so giving one back cannot fail
};

// Made with the first instance and never destroyed: windows may still call their procedures while
// static objects go away at exit. A plain pointer rather than a function's static, whose guard would
// cost every message that passes a chain of subclassers.
TThunkPool* Pool = nullptr;

TThunkPool& ThunkPool()
{
    if (!Pool)
        Pool = new TThunkPool();
    return *Pool;
}

LRESULT CALLBACK DispatchToInstance(const TThunkCell* cell, HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // A thunk freed while a window still calls it no longer reaches a dead object.
    if (!cell->Instance)
        return DefWindowProcA(window, msg, wParam, lParam);
    TMessage message{msg, wParam, lParam, 0};
    try {
        // The method may free its own instance (a control destroying itself): call a copy.
        const TWndMethod method = cell->Instance->Method;
        method(message);
    } catch (...) {
        Application->HandleException(nullptr);
    }
    return message.Result;
}

constexpr std::size_t ThunkSize = 16;

template <typename T>
unsigned char* Put(unsigned char* code, T value)
{
    std::memcpy(code, &value, sizeof value);
    return code + sizeof value;
}

// jmp rel32 to target.
unsigned char* PutJump(unsigned char* code, std::uintptr_t target)
{
    code = Put<std::uint8_t>(code, 0xE9);
    return Put(code, static_cast<std::int32_t>(static_cast<std::intptr_t>(target - reinterpret_cast<std::uintptr_t>(code + 4))));
}

#if defined(__i386__) || defined(_M_IX86)

// A thunk:  pop eax; push imm32 (its cell); push eax; jmp rel32 (DispatchToInstance); int3 x 4.
// The system's call WNDPROC(window, msg, wParam, lParam) so becomes the __stdcall call
// DispatchToInstance(cell, window, msg, wParam, lParam), whose return removes all five arguments.
// The whole block is thunks.
constexpr std::size_t ThunkAreaSize(std::size_t blockSize)
{
    return blockSize;
}

void WriteThunkBlock(unsigned char* block, std::size_t /*size*/, const TThunkCell* cells, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        unsigned char* code = block + i * ThunkSize;
        code = Put<std::uint8_t>(code, 0x58); // pop eax
        code = Put<std::uint8_t>(code, 0x68); // push imm32
        code = Put(code, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&cells[i])));
        code = Put<std::uint8_t>(code, 0x50); // push eax
        code = PutJump(code, reinterpret_cast<std::uintptr_t>(&DispatchToInstance));
        std::memset(code, 0xCC, 4);
    }
}

bool RegisterThunkBlock(unsigned char* /*block*/, std::size_t /*size*/)
{
    return true;
}

#else

// The x64 calling convention passes four arguments in rcx, rdx, r8 and r9 and leaves removing what
// was pushed to the caller, so a fifth argument needs a frame of its own. One stub at the end of each
// block makes it; a thunk only loads its cell and jumps there:
//   thunk: mov rax, imm64 (its cell); jmp rel32 (the stub); int3
//   stub:  sub rsp, 38h; mov [rsp+20h], r9; mov r9, r8; mov r8, rdx; mov rdx, rcx; mov rcx, rax;
//          mov rax, imm64 (DispatchToInstance); call rax; add rsp, 38h; ret
// The system's call WNDPROC(window, msg, wParam, lParam) so becomes the call
// DispatchToInstance(cell, window, msg, wParam, lParam). The stub's unwind record and the function
// table entry naming it follow it in the block and are registered with the system, so that a stack
// walk or an exception passes through the stub as through compiled code. The thunks need none: they
// touch neither the stack nor a register the callee must keep.
constexpr std::size_t StubSize = 38;
constexpr std::size_t StubUnwindOffset = 40; // an unwind record is DWORD aligned
constexpr std::size_t StubTableOffset = 48;
constexpr std::size_t StubAreaSize = 64; // the room of four thunks

constexpr std::size_t ThunkAreaSize(std::size_t blockSize)
{
    return blockSize - StubAreaSize;
}

void WriteThunkBlock(unsigned char* block, std::size_t size, const TThunkCell* cells, std::size_t count)
{
    unsigned char* const stub = block + size - StubAreaSize;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned char* code = block + i * ThunkSize;
        code = Put<std::uint8_t>(code, 0x48); // mov rax, imm64
        code = Put<std::uint8_t>(code, 0xB8);
        code = Put(code, static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&cells[i])));
        code = PutJump(code, reinterpret_cast<std::uintptr_t>(stub));
        *code = 0xCC;
    }

    static constexpr unsigned char prologue[] = {
        0x48, 0x83, 0xEC, 0x38,       // sub rsp, 38h
        0x4C, 0x89, 0x4C, 0x24, 0x20, // mov [rsp+20h], r9
        0x4D, 0x89, 0xC1,             // mov r9, r8
        0x49, 0x89, 0xD0,             // mov r8, rdx
        0x48, 0x89, 0xCA,             // mov rdx, rcx
        0x48, 0x89, 0xC1,             // mov rcx, rax
        0x48, 0xB8,                   // mov rax, imm64
    };
    static constexpr unsigned char epilogue[] = {
        0xFF, 0xD0,             // call rax
        0x48, 0x83, 0xC4, 0x38, // add rsp, 38h
        0xC3,                   // ret
    };
    std::memset(stub, 0xCC, StubAreaSize);
    unsigned char* code = std::copy(std::begin(prologue), std::end(prologue), stub);
    code = Put(code, static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&DispatchToInstance)));
    std::copy(std::begin(epilogue), std::end(epilogue), code);
    // Version 1, no handler, a prologue of 4 bytes and one code: at offset 4, UWOP_ALLOC_SMALL of
    // (6 + 1) * 8 = 38h bytes.
    static constexpr unsigned char unwind[] = {0x01, 0x04, 0x01, 0x00, 0x04, 0x62, 0x00, 0x00};
    std::copy(std::begin(unwind), std::end(unwind), stub + StubUnwindOffset);
    RUNTIME_FUNCTION entry{};
    entry.BeginAddress = static_cast<DWORD>(size - StubAreaSize);
    entry.EndAddress = static_cast<DWORD>(size - StubAreaSize + StubSize);
    entry.UnwindData = static_cast<DWORD>(size - StubAreaSize + StubUnwindOffset);
    std::memcpy(stub + StubTableOffset, &entry, sizeof entry);
}

// The table entry stays where it is, in the block, for the life of the process.
bool RegisterThunkBlock(unsigned char* block, std::size_t size)
{
    auto* entry = reinterpret_cast<RUNTIME_FUNCTION*>(block + size - StubAreaSize + StubTableOffset);
    return RtlAddFunctionTable(entry, 1, reinterpret_cast<DWORD64>(block));
}

#endif

[[noreturn]] void ThunkError(const char* what)
{
    throw EOutOfResources(std::string("Cannot make window procedure instances: ") + what + " failed (error " +
                          std::to_string(GetLastError()) + ")");
}

// One allocation granule of thunks, written while the memory is read-write and then made execute-read.
void AddThunkBlock(TThunkPool& pool)
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const std::size_t size = system.dwAllocationGranularity;
    const std::size_t count = ThunkAreaSize(size) / ThunkSize;
    // Everything that can fail comes before the pool changes.
    auto cells = std::make_unique<TThunkCell[]>(count);
    pool.Blocks.reserve(pool.Blocks.size() + 1);
    pool.Free.reserve(pool.Blocks.size() * count + count);
    auto* code = static_cast<unsigned char*>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!code)
        ThunkError("VirtualAlloc");
    WriteThunkBlock(code, size, cells.get(), count);
    DWORD previous = 0;
    if (!VirtualProtect(code, size, PAGE_EXECUTE_READ, &previous)) {
        (void)VirtualFree(code, 0, MEM_RELEASE);
        ThunkError("VirtualProtect");
    }
    (void)FlushInstructionCache(GetCurrentProcess(), code, size);
    if (!RegisterThunkBlock(code, size)) {
        (void)VirtualFree(code, 0, MEM_RELEASE);
        ThunkError("RtlAddFunctionTable");
    }
    pool.Blocks.push_back({code, count, std::move(cells)});
    // Taken from the back: the lowest addresses first.
    for (std::size_t i = count; i-- > 0;)
        pool.Free.push_back(reinterpret_cast<WNDPROC>(code + i * ThunkSize));
}

// The cell of a thunk of the pool; null for any other address.
TThunkCell* CellOf(WNDPROC thunk)
{
    // On the way of every message through a chain of hooks: kept to plain pointers.
    if (!Pool)
        return nullptr;
    const auto address = reinterpret_cast<std::uintptr_t>(thunk);
    std::vector<TThunkBlock>& blocks = Pool->Blocks;
    for (TThunkBlock *block = blocks.data(), *end = block + blocks.size(); block != end; ++block) {
        const std::uintptr_t offset = address - reinterpret_cast<std::uintptr_t>(block->Code); // below: huge
        if (offset < block->Count * ThunkSize && offset % ThunkSize == 0)
            return block->Cells.get() + offset / ThunkSize;
    }
    return nullptr;
}

void ReleaseInstance(WNDPROC thunk, TThunkCell& cell)
{
    delete std::exchange(cell.Instance, nullptr);
    ThunkPool().Free.push_back(thunk);
}

constexpr const char* ControlProperty = "QELControl";
constexpr const char* UtilWindowClass = "TPUtilWindow";

// A sum of coordinates that stays an int, however far out its terms are.
int AddClamped(int a, int b)
{
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(a) + b, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

// The rectangle of a control at left, top of the given size. A negative size is taken as none, as
// the system takes it for a window; a place so far out that the far edge would leave the range of an
// int moves back, keeping the size. So bounds arithmetic never overflows, whatever is asked for.
RECT MakeBounds(int left, int top, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    left = std::min(left, std::numeric_limits<int>::max() - width);
    top = std::min(top, std::numeric_limits<int>::max() - height);
    return {left, top, left + width, top + height};
}

HINSTANCE ModuleInstance()
{
    return GetModuleHandleA(nullptr);
}

void RegisterWindowClassOnce(const std::string& name, UINT style, HBRUSH background)
{
    static auto* registered = new std::set<std::string>(); // outlives every window at exit
    if (registered->count(name))
        return;
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = &DefWindowProcA;
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name.c_str();
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw EOutOfResources("Cannot register window class " + name + " (error " +
                              std::to_string(GetLastError()) + ")");
    registered->insert(name);
}

} // namespace

std::string EventArgText(const TMessage& message)
{
    return "{Msg=" + std::to_string(message.Msg) + " WParam=" + std::to_string(message.WParam) +
           " LParam=" + std::to_string(message.LParam) + "}";
}

std::string EventArgText(const RECT& rect)
{
    return "{Left=" + std::to_string(rect.left) + " Top=" + std::to_string(rect.top) +
           " Right=" + std::to_string(rect.right) + " Bottom=" + std::to_string(rect.bottom) + "}";
}

LRESULT CallWindowProcFast(WNDPROC proc, HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (CellOf(proc))
        return proc(window, msg, wParam, lParam);
    return CallWindowProcA(proc, window, msg, wParam, lParam);
}

WNDPROC MakeObjectInstance(const TWndMethod& method)
{
    auto instance = std::make_unique<TInstance>(TInstance{method});
    TThunkPool& pool = ThunkPool();
    if (pool.Free.empty())
        AddThunkBlock(pool);
    const WNDPROC thunk = pool.Free.back();
    pool.Free.pop_back();
    CellOf(thunk)->Instance = instance.release();
    return thunk;
}

void FreeObjectInstance(WNDPROC instance)
{
    if (TThunkCell* cell = CellOf(instance); cell && cell->Instance && !cell->Instance->Adopted)
        ReleaseInstance(instance, *cell);
}

namespace {

struct TWindowHook {
    HWND Window;
    WNDPROC Instance;
    WNDPROC* Previous;
};

// Installed hooks, in the order they were installed.
std::vector<TWindowHook>& WindowHooks()
{
    static auto* hooks = new std::vector<TWindowHook>();
    return *hooks;
}

} // namespace

void HookWindowProc(HWND window, WNDPROC instance, WNDPROC& previous)
{
    WindowHooks().push_back({window, instance, &previous}); // first: the only step that can fail
    previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(instance));
}

namespace {

std::vector<TWindowHook>::iterator FindHook(HWND window, WNDPROC instance)
{
    auto& hooks = WindowHooks();
    return std::find_if(hooks.begin(), hooks.end(),
                        [&](const TWindowHook& h) { return h.Window == window && h.Instance == instance; });
}

// Stands in for a subclasser that went away while a procedure installed after it by other code (a
// raw SetWindowLongA) still calls its instance: it passes every message on to the procedure the
// subclasser had replaced, and leaves with the window.
class TStandIn : public TObject {
public:
    TStandIn(HWND window, WNDPROC instance, WNDPROC previous)
        : FWindow(window), FInstance(instance), FPrevious(previous)
    {
    }
    WNDPROC& Previous() noexcept { return FPrevious; }

    void Forward(TMessage& message)
    {
        message.Result = CallWindowProcFast(FPrevious, FWindow, message.Msg, message.WParam, message.LParam);
        if (message.Msg != WM_NCDESTROY)
            return;
        if (auto own = FindHook(FWindow, FInstance); own != WindowHooks().end())
            WindowHooks().erase(own);
        ReleaseInstance(FInstance, *CellOf(FInstance));
        delete this;
    }

private:
    HWND FWindow;
    WNDPROC FInstance;
    WNDPROC FPrevious;
};

} // namespace

void UnhookWindowProc(HWND window, WNDPROC instance)
{
    auto& hooks = WindowHooks();
    auto own = FindHook(window, instance);
    if (own == hooks.end())
        return;
    const WNDPROC previous = *own->Previous;
    if (IsWindow(window)) {
        auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
        auto later = std::find_if(hooks.begin(), hooks.end(), [&](const TWindowHook& h) {
            return h.Window == window && *h.Previous == instance;
        });
        if (current == instance)
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        else if (later != hooks.end())
            *later->Previous = previous;
        else if (TThunkCell* cell = CellOf(instance); cell && cell->Instance) {
            // Only a subclasser outside the record can hold the instance now: keep it passing
            // messages on, and keep it in the record so that the chain around it can still change.
            auto* standIn = new TStandIn(window, instance, previous);
            cell->Instance->Method = TWndMethod(standIn, &TStandIn::Forward);
            cell->Instance->Adopted = true;
            own->Previous = &standIn->Previous();
            return;
        }
    }
    hooks.erase(own);
}

HWND AllocateHWnd(const TWndMethod& method)
{
    RegisterWindowClassOnce(UtilWindowClass, 0, nullptr);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, UtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, ModuleInstance(), nullptr);
    if (!window)
        throw EOutOfResources("Cannot create a utility window (error " + std::to_string(GetLastError()) + ")");
    WNDPROC instance = nullptr;
    try {
        instance = MakeObjectInstance(method);
    } catch (...) {
        DestroyWindow(window);
        throw;
    }
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(instance));
    return window;
}

void DeallocateHWnd(HWND window)
{
    auto instance = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    DestroyWindow(window);
    FreeObjectInstance(instance);
}

TWinControl* FindControl(HWND window)
{
    return window ? static_cast<TWinControl*>(GetPropA(window, ControlProperty)) : nullptr;
}

// ---------------------------------------------------------------------------------------------------
// TControl

QEL_CLASS_INFO(TControl, TComponent)
{
    return {
        Prop("Left", &TControl::Left, &TControl::SetLeft),
        Prop("Top", &TControl::Top, &TControl::SetTop),
        Prop("Width", &TControl::Width, &TControl::SetWidth),
        Prop("Height", &TControl::Height, &TControl::SetHeight),
        Prop("Caption", &TControl::Caption, &TControl::SetCaption).Stored(TStored::NotEmpty),
        Prop("Visible", &TControl::Visible, &TControl::SetVisible).Default(true),
    };
}

TControl::TControl(TComponent* owner) : TComponent(owner)
{
}

TControl::~TControl()
{
    if (FParent)
        FParent->RemoveControl(this);
}

int TControl::Width() const
{
    RECT r = BoundsRect();
    return r.right - r.left;
}

int TControl::Height() const
{
    RECT r = BoundsRect();
    return r.bottom - r.top;
}

void TControl::SetLeft(int left)
{
    SetBounds(left, Top(), Width(), Height());
}

void TControl::SetTop(int top)
{
    SetBounds(Left(), top, Width(), Height());
}

void TControl::SetWidth(int width)
{
    SetBounds(Left(), Top(), width, Height());
}

void TControl::SetHeight(int height)
{
    SetBounds(Left(), Top(), Width(), height);
}

RECT TControl::BoundsRect() const
{
    return FBounds;
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    Invalidate();
    FBounds = MakeBounds(left, top, width, height);
    Invalidate();
}

void TControl::SetVisible(bool visible)
{
    if (FVisible == visible)
        return;
    FVisible = visible;
    Invalidate();
}

void TControl::SetCaption(const std::string& caption)
{
    if (caption == GetText())
        return;
    FCaption = caption;
    TextChanged();
    Invalidate();
}

RECT TControl::ClientRect() const
{
    return {0, 0, Width(), Height()};
}

int TControl::ClientWidth() const
{
    RECT r = ClientRect();
    return r.right - r.left;
}

int TControl::ClientHeight() const
{
    RECT r = ClientRect();
    return r.bottom - r.top;
}

void TControl::SetClientWidth(int width)
{
    SetClientSize(width, ClientHeight());
}

void TControl::SetClientHeight(int height)
{
    SetClientSize(ClientWidth(), height);
}

void TControl::SetClientSize(int width, int height)
{
    SetBounds(Left(), Top(), width, height);
}

POINT TControl::ClientOrigin() const
{
    POINT origin{Left(), Top()};
    if (FParent) {
        POINT parentOrigin = FParent->ClientOrigin();
        origin.x = AddClamped(origin.x, parentOrigin.x);
        origin.y = AddClamped(origin.y, parentOrigin.y);
    }
    return origin;
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == FParent)
        return;
    if (parent == this)
        throw EInvalidOperation("A control cannot be its own parent");
    Invalidate();
    if (FParent)
        FParent->RemoveControl(this);
    FParent = parent;
    if (FParent)
        FParent->InsertControl(this);
    Invalidate();
}

TComponent* TControl::GetParentComponent() const
{
    return FParent;
}

void TControl::SetParentComponent(TComponent* parent)
{
    SetParent(ObjectAs<TWinControl>(parent));
}

void TControl::Paint(HDC)
{
}

bool TControl::DialogChar(char)
{
    return false;
}

void TControl::Invalidate()
{
    if (FParent && FParent->HandleAllocated() && !dynamic_cast<TWinControl*>(this))
        InvalidateRect(FParent->Handle(), &FBounds, TRUE);
}

// ---------------------------------------------------------------------------------------------------
// TWinControl

QEL_CLASS_INFO(TWinControl, TControl)
{
    return {};
}

TWinControl::TWinControl(TComponent* owner)
    : TControl(owner), FObjectInstance(MakeObjectInstance(TWndMethod(this, &TWinControl::WndProc)))
{
}

TWinControl::~TWinControl()
{
    // What the control owns may still talk to its window (hooks put their procedures back), so it
    // goes first, while the window exists.
    Destroying();
    DestroyComponents();
    while (!FControls.empty())
        delete FControls.back();
    if (HandleAllocated())
        DestroyWnd();
    FreeObjectInstance(FObjectInstance);
}

HWND TWinControl::Handle()
{
    if (!FHandle)
        CreateWnd();
    return FHandle.Get();
}

void TWinControl::CreateParams(TCreateParams& params)
{
    params.WinClassName = ClassName();
    params.Caption = FCaption;
    params.X = FBounds.left;
    params.Y = FBounds.top;
    params.Width = FBounds.right - FBounds.left;
    params.Height = FBounds.bottom - FBounds.top;
    if (Parent()) {
        params.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (FVisible ? WS_VISIBLE : 0);
        params.WndParent = Parent()->Handle();
    } else {
        params.Style = WS_POPUP | WS_CLIPCHILDREN;
    }
}

void TWinControl::CreateWnd()
{
    // The parent's window comes first, and creating it creates its children's, this one's included.
    if (Parent())
        Parent()->Handle();
    if (FHandle)
        return;
    TCreateParams params;
    CreateParams(params);
    if (!params.SystemClass)
        RegisterWindowClassOnce(params.WinClassName, params.ClassStyle, params.Background);
    HWND window = CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(),
                                  params.Style, params.X, params.Y, params.Width, params.Height,
                                  params.WndParent, nullptr, ModuleInstance(), nullptr);
    if (!window)
        throw EOutOfResources("Cannot create the window of " + Name() + ": " + params.WinClassName +
                              " (error " + std::to_string(GetLastError()) + ")");
    FHandle.Reset(window);
    FSystemClass = params.SystemClass;
    SetPropA(window, ControlProperty, this);
    FDefWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FObjectInstance)));
    // The system's controls draw with the font they are given; ours ask FontHandle when they paint.
    if (FSystemClass)
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
    UpdateBoundsFromWindow();
    CreateWindowHandle();
    for (TControl* control : FControls)
        if (auto* child = dynamic_cast<TWinControl*>(control))
            child->Handle();
}

void TWinControl::DestroyWnd()
{
    for (TControl* control : FControls)
        if (auto* child = dynamic_cast<TWinControl*>(control); child && child->HandleAllocated())
            child->DestroyWnd();
    if (!FHandle)
        return;
    UpdateBoundsFromWindow();
    FCaption = GetText(); // what the user typed survives into the next window
    // The window's last messages still go through its procedures; WM_NCDESTROY lets the handle go.
    DestroyWindow(FHandle.Get());
    if (FHandle) {
        RemovePropA(FHandle.Get(), ControlProperty);
        (void)FHandle.Release();
    }
}

void TWinControl::RecreateWnd()
{
    if (!HandleAllocated())
        return;
    DestroyWnd();
    CreateWnd();
}

TControl* TWinControl::Controls(int index) const
{
    if (index < 0 || index >= ControlCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FControls[static_cast<std::size_t>(index)];
}

void TWinControl::InsertControl(TControl* control)
{
    FControls.push_back(control);
    if (auto* child = dynamic_cast<TWinControl*>(control); child && HandleAllocated())
        child->Handle();
}

void TWinControl::RemoveControl(TControl* control)
{
    if (auto* child = dynamic_cast<TWinControl*>(control); child && child->HandleAllocated())
        child->DestroyWnd();
    FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
}

void TWinControl::SetParent(TWinControl* parent)
{
    if (parent == Parent())
        return;
    if (HandleAllocated())
        DestroyWnd();
    TControl::SetParent(parent);
}

RECT TWinControl::BoundsRect() const
{
    return FBounds;
}

void TWinControl::UpdateBoundsFromWindow()
{
    if (!FHandle)
        return;
    HWND window = FHandle.Get();
    if (IsIconic(window))
        return; // the icon's place says nothing about the window's bounds
    RECT r;
    if (!GetWindowRect(window, &r))
        return;
    if (Parent() && Parent()->HandleAllocated())
        MapWindowPoints(HWND_DESKTOP, Parent()->FHandle.Get(), reinterpret_cast<POINT*>(&r), 2);
    FBounds = r;
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    const RECT bounds = MakeBounds(left, top, width, height);
    // The fields follow the window (WM_WINDOWPOSCHANGED), so equal bounds need no trip to the system.
    if (FHandle && EqualRect(&bounds, &FBounds))
        return;
    FBounds = bounds;
    if (!FHandle)
        return;
    HWND window = FHandle.Get();
    if (!Parent() && (IsIconic(window) || IsZoomed(window))) {
        // A minimised or maximised window keeps the bounds for its normal state in its placement.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(window, &placement);
        placement.rcNormalPosition = FBounds;
        SetWindowPlacement(window, &placement);
        return;
    }
    SetWindowPos(window, nullptr, FBounds.left, FBounds.top, FBounds.right - FBounds.left, FBounds.bottom - FBounds.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateBoundsFromWindow();
}

// The client area depends on the window's frame, which only the window knows: asking for it is a
// request of the handle.
RECT TWinControl::ClientRect() const
{
    RECT r{0, 0, 0, 0};
    GetClientRect(const_cast<TWinControl*>(this)->Handle(), &r);
    return r;
}

POINT TWinControl::ClientOrigin() const
{
    POINT origin{0, 0};
    ClientToScreen(const_cast<TWinControl*>(this)->Handle(), &origin);
    return origin;
}

void TWinControl::SetClientSize(int width, int height)
{
    HWND window = Handle();
    RECT windowRect, clientRect;
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &clientRect);
    const int extraWidth = (windowRect.right - windowRect.left) - clientRect.right;
    const int extraHeight = (windowRect.bottom - windowRect.top) - clientRect.bottom;
    SetBounds(Left(), Top(), AddClamped(width, extraWidth), AddClamped(height, extraHeight));
}

void TWinControl::SetVisible(bool visible)
{
    if (FHandle && visible == FVisible &&
        ((GetWindowLongPtrA(FHandle.Get(), GWL_STYLE) & WS_VISIBLE) != 0) == visible)
        return;
    FVisible = visible;
    if (visible && !FHandle && (!Parent() || Parent()->HandleAllocated()))
        Handle();
    if (FHandle)
        ShowWindow(FHandle.Get(), visible ? (Parent() ? SW_SHOWNA : SW_SHOW) : SW_HIDE);
}

std::string TWinControl::GetText() const
{
    if (!FHandle)
        return FCaption;
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(FHandle.Get())) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(FHandle.Get(), text.data(), static_cast<int>(text.size()))));
    return text;
}

void TWinControl::TextChanged()
{
    if (FHandle)
        SetWindowTextA(FHandle.Get(), FCaption.c_str());
}

HFONT TWinControl::FontHandle()
{
    return Parent() ? Parent()->FontHandle() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void TWinControl::FontChanged()
{
    if (FHandle) {
        if (FSystemClass)
            SendMessageA(FHandle.Get(), WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
        else
            InvalidateRect(FHandle.Get(), nullptr, TRUE);
    }
    for (TControl* control : FControls)
        control->FontChanged();
}

bool TWinControl::DialogChar(char key)
{
    return std::any_of(FControls.begin(), FControls.end(),
                       [key](TControl* control) { return control->DialogChar(key); });
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const
{
    TControl::GetChildren(proc, root);
    for (TControl* control : FControls)
        if (control->Owner() == root)
            proc(control);
}

void TWinControl::Paint(HDC dc)
{
    PaintControls(dc);
}

void TWinControl::PaintControls(HDC dc)
{
    for (TControl* control : FControls)
        if (control->Visible() && !dynamic_cast<TWinControl*>(control))
            control->Paint(dc);
}

void TWinControl::DefaultHandler(TMessage& message)
{
    message.Result = CallWindowProcFast(FDefWndProc, FHandle.Get(), message.Msg, message.WParam, message.LParam);
}

void TWinControl::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_PAINT:
        if (!FSystemClass) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(FHandle.Get(), &ps);
            Paint(dc);
            EndPaint(FHandle.Get(), &ps);
            message.Result = 0;
            return;
        }
        break;
    case WM_COMMAND:
        if (TWinControl* child = FindControl(reinterpret_cast<HWND>(message.LParam)); child && child != this) {
            message.Result = SendMessageA(reinterpret_cast<HWND>(message.LParam), CN_COMMAND, message.WParam,
                                          message.LParam);
            return;
        }
        break;
    case WM_DRAWITEM: {
        HWND item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam)->hwndItem;
        if (TWinControl* child = FindControl(item); child && child != this) {
            message.Result = SendMessageA(item, CN_DRAWITEM, message.WParam, message.LParam);
            return;
        }
        break;
    }
    case WM_NOTIFY: {
        HWND from = reinterpret_cast<const NMHDR*>(message.LParam)->hwndFrom;
        if (TWinControl* child = FindControl(from); child && child != this) {
            message.Result = SendMessageA(from, CN_NOTIFY, message.WParam, message.LParam);
            return;
        }
        break;
    }
    case WM_WINDOWPOSCHANGED: {
        // The window has its new bounds already; the fields take them before the system's handling
        // sends WM_SIZE and WM_MOVE, so that those read the new size and place.
        UpdateBoundsFromWindow();
        DefaultHandler(message);
        BoundsChanged();
        return;
    }
    case WM_NCDESTROY: {
        // The system may destroy the window on its own (an owner window going away): forget it.
        DefaultHandler(message);
        if (FHandle) {
            RemovePropA(FHandle.Get(), ControlProperty);
            (void)FHandle.Release();
        }
        return;
    }
    default:
        break;
    }
    DefaultHandler(message);
}
