// The cost of a message to a form with six hook components in its window procedure chain, against the
// same message to the same kind of form without any.
#include "bench/Bench.h"

#include "foundation/QELTFormHook.h"
#include "framework/Forms.h"

#include <memory>

namespace {

constexpr int Runs = 2000;
constexpr int MessagesPerRun = 50;
constexpr int HookCount = 6;
constexpr double HookTarget = 2.0;

volatile LRESULT Sink;

void SendMessages(HWND window)
{
    for (int i = 0; i < MessagesPerRun; ++i)
        Sink = SendMessageA(window, WM_NULL, static_cast<WPARAM>(i), 0);
}

void RunHookChainBench()
{
    const auto plain = std::make_unique<TForm>(Application);
    const auto hooked = std::make_unique<TForm>(Application);
    for (int i = 0; i < HookCount; ++i)
        new TQELFormHook(hooked.get());
    const HWND plainWindow = plain->Handle();
    const HWND hookedWindow = hooked->Handle();
    CompareWithRaw("50 messages, 6 hooks against none", Runs, [&] { SendMessages(plainWindow); },
                   [&] { SendMessages(hookedWindow); }, HookTarget);
}

const bool Registered =
    RegisterBenchmark("Hook chain (TQELFormHook): a form's messages through six hooks", &RunHookChainBench);

} // namespace
