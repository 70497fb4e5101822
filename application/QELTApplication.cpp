// The application component.
#include "application/QELTApplication.h"

#include <type_traits>

QEL_CLASS_INFO(TQELApplication, TQELSystemsComponent)
{
    using C = TQELApplication;
    return {
        Prop("HintColor", &C::HintColor, &C::SetHintColor).Default(0x80FFFF),
        Prop("HintPause", &C::HintPause, &C::SetHintPause).Default(800),
        Prop("ApplicationIcon", &C::ApplicationIcon, &C::SetIcon),
        Prop("ShowHint", &C::ShowHint, &C::SetShowHint).Default(true),
        Prop("ApplicationTitle", &C::ApplicationTitle, &C::SetApplicationTitle),
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
    action(FOnHint, &TApplication::OnHint, &TApplication::SetOnHint, FInstalled[0]);
    action(FOnShowHint, &TApplication::OnShowHint, &TApplication::SetOnShowHint, FInstalled[1]);
    action(FOnActivate, &TApplication::OnActivate, &TApplication::SetOnActivate, FInstalled[2]);
    action(FOnDeactivate, &TApplication::OnDeactivate, &TApplication::SetOnDeactivate, FInstalled[3]);
    action(FOnException, &TApplication::OnException, &TApplication::SetOnException, FInstalled[4]);
    action(FOnMessage, &TApplication::OnMessage, &TApplication::SetOnMessage, FInstalled[5]);
    action(FOnHelp, &TApplication::OnHelp, &TApplication::SetOnHelp, FInstalled[6]);
    action(FOnIdle, &TApplication::OnIdle, &TApplication::SetOnIdle, FInstalled[7]);
    action(FOnRestore, &TApplication::OnRestore, &TApplication::SetOnRestore, FInstalled[8]);
    action(FOnMinimize, &TApplication::OnMinimize, &TApplication::SetOnMinimize, FInstalled[9]);
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
    // keeps its own.
    ForEachEvent([](const auto& handler, auto get, auto set, const TMethod& installed) {
        using E = std::remove_cvref_t<decltype(handler)>;
        if (installed.Assigned() && (Application->*get)().Method() == installed)
            (Application->*set)(E());
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
    ForEachEvent([](const auto& handler, auto, auto set, TMethod& installed) {
        if (!handler)
            return;
        (Application->*set)(handler);
        installed = handler.Method();
    });
}
