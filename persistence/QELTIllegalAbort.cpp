// The abnormal-end detector.
#include "persistence/QELTIllegalAbort.h"

QEL_CLASS_INFO(TQELIllegalAbort, TQELSystemsComponent)
{
    return {
        Prop("ParamStore", &TQELIllegalAbort::ParamStore),
        Prop("OnIllegalAbort", &TQELIllegalAbort::OnIllegalAbort, &TQELIllegalAbort::SetOnIllegalAbort),
    };
}

namespace {

constexpr const char* MarkerName = "IllegalAbort";

} // namespace

TQELIllegalAbort::TQELIllegalAbort(TComponent* owner)
    : TQELSystemsComponent(owner), FParamStore(std::make_unique<TQELDataStore>())
{
    FParamStore->SetErrorInt(0);
}

TQELIllegalAbort::~TQELIllegalAbort()
{
    try {
        FParamStore->WriteInt(MarkerName, 0);
    } catch (...) {
        // A destructor cannot pass the failure on. The marker then stays 1 and the next run reports
        // an abnormal end, which errs on the side the component exists for.
    }
}

void TQELIllegalAbort::Loaded()
{
    TQELSystemsComponent::Loaded();
    if (FParamStore->ReadInt(MarkerName) == 1)
        FOnIllegalAbort(this);
    FParamStore->WriteInt(MarkerName, 1);
}
