// The application component.
#include "application/QELTApplication.h"

#include <type_traits>

QEL_CLASS_INFO(TQELApplication, TQELSystemsComponent)
{
    using C = TQELApplication;
    return {
        Prop("HintColor", &C::HintColor, &C::SetHintColor).Default(TColor(0x80FFFF)).Initially("the application's"),
        Prop("HintPause", &C::HintPause, &C::SetHintPause).Default(800).Initially("the application's"),
        Prop("ApplicationIcon", &C::ApplicationIcon, &C::SetIcon),
        Prop("ShowHint", &C::ShowHint, &C::SetShowHint).Default(true).Initially("the application's"),
        Prop("ApplicationTitle", &C::ApplicationTitle, &C::SetApplicationTitle).Initially("the application's"),
        Prop("OnActivate", &C::OnActivate, &C::SetOnActivate),
        Prop("OnDeactivate", &C::OnDeactivate, &C::SetOnDeactivate),
        Prop("OnException", &C::OnException, &C::SetOnException),
        Prop("OnHelp", &C::OnHelp, &C::SetOnHelp),
        Prop("OnIdle", &C::OnIdle, &C::SetOnIdle),
        Prop("OnMessage", &C::OnMessage, &C::SetOnMessage),
        Prop("OnMinimize", &C::OnMinimize, &C::SetOnMinimize),
        Prop("OnHint", &C::OnHint, &C::SetOnHint),
        Prop("OnRestore", &C::OnRestore, &C::SetOnRestore),
        Prop("OnShowHint", &C::OnShowHint, &C::SetOnShowHint),
    };
}

namespace {

// TQELApplication objects constructed in the process.
int LiveCount = 0;

// Counts the component in before anything else is set up, and refuses a second one. The constructor
// takes the count back down when anything after this raises, since its destructor then never runs.
TComponent* Admit(TComponent* owner)
{
    if (++LiveCount >= 2)
        throw QELTApplication::EQELDuplicateError(
            "You can have one and ONLY ONE\r\nTQELApplication Component\r\n in a project and it must be on the Mainform");
    return owner;
}

} // namespace

template <class F>
void TQELApplication::ForEachEvent(F action)
{
    action(FOnHint, &TApplication::OnHint, &TApplication::SetOnHint, FInstalledHint);
    action(FOnShowHint, &TApplication::OnShowHint, &TApplication::SetOnShowHint, FInstalledShowHint);
    action(FOnActivate, &TApplication::OnActivate, &TApplication::SetOnActivate, FInstalledActivate);
    action(FOnDeactivate, &TApplication::OnDeactivate, &TApplication::SetOnDeactivate, FInstalledDeactivate);
    action(FOnException, &TApplication::OnException, &TApplication::SetOnException, FInstalledException);
    action(FOnMessage, &TApplication::OnMessage, &TApplication::SetOnMessage, FInstalledMessage);
    action(FOnHelp, &TApplication::OnHelp, &TApplication::SetOnHelp, FInstalledHelp);
    action(FOnIdle, &TApplication::OnIdle, &TApplication::SetOnIdle, FInstalledIdle);
    action(FOnRestore, &TApplication::OnRestore, &TApplication::SetOnRestore, FInstalledRestore);
    action(FOnMinimize, &TApplication::OnMinimize, &TApplication::SetOnMinimize, FInstalledMinimize);
}

TQELApplication::TQELApplication(TComponent* owner)
try : TQELSystemsComponent(Admit(owner)), FHintColor(Application->HintColor()),
      FHintPause(Application->HintPause()), FApplicationIcon(std::make_unique<TIcon>()),
      FShowHint(Application->ShowHint()), FApplicationTitle(Application->Title()) {
    if (!Application->Icon()->Empty())
        FApplicationIcon->Assign(Application->Icon());
} catch (...) {
    --LiveCount;
}

TQELApplication::~TQELApplication()
{
    // Only handlers the application still holds from this component go; code that replaced one since
    // keeps its own, and a tray icon that took one over since puts back what this one found.
    ForEachEvent([](const auto&, auto get, auto set, const auto& installed) {
        using E = std::remove_cvref_t<decltype(installed.Handler)>;
        if (installed.Handler && TEventChain<E>::GiveBack((Application->*get)(), installed.Handler))
            (Application->*set)(installed.Previous);
    });
    --LiveCount;
}

void TQELApplication::SetIcon(TIcon* icon)
{
    FApplicationIcon->Assign(icon);
}

void TQELApplication::Loaded()
{
    TQELSystemsComponent::Loaded();
    Application->SetIcon(FApplicationIcon.get());
    Application->SetShowHint(FShowHint);
    Application->SetTitle(FApplicationTitle);
    Application->SetHintPause(FHintPause);
    Application->SetHintColor(FHintColor);
    // An event without a handler leaves the application's handler alone.
    ForEachEvent([](const auto& handler, auto get, auto set, auto& installed) {
        using E = std::remove_cvref_t<decltype(handler)>;
        if (!handler)
            return;
        TEventChain<E>::TakeOver((Application->*get)(), handler, installed.Previous);
        installed.Handler = handler;
        (Application->*set)(handler);
    });
}
