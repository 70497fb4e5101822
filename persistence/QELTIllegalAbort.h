// TQELIllegalAbort tells an application at start-up that its previous run did not end cleanly.
//
// It keeps the integer marker "IllegalAbort" in its data store: 1 from the loading of its form until
// its orderly destruction, 0 afterwards. Finding 1 when the form is loaded therefore means the last
// instance crashed, was killed or went down with Windows.
#pragma once

#include "foundation/QELSystem.h"
#include "persistence/QELTStoreData.h"

#include <memory>

class TQELIllegalAbort : public TQELSystemsComponent {
    QEL_CLASS(TQELIllegalAbort)
public:
    explicit TQELIllegalAbort(TComponent* owner);
    // Clears the marker.
    ~TQELIllegalAbort() override;

    // Where the marker lives. Owned by the component; streaming fills it in place.
    TQELDataStore* ParamStore() const noexcept { return FParamStore.get(); }
    // Fired while the form is loaded, when the marker shows an abnormal end; sender is the component.
    const TNotifyEvent& OnIllegalAbort() const noexcept { return FOnIllegalAbort; }
    void SetOnIllegalAbort(const TNotifyEvent& event) { FOnIllegalAbort = event; }

    // Made in code, it reads and sets the marker when it is finished (TComponent::Finish).
    bool NeedsFinish() const noexcept override { return true; }

protected:
    // Reads the marker left by the last run, reports it, and sets it for this run.
    void Loaded() override;

private:
    std::unique_ptr<TQELDataStore> FParamStore;
    TNotifyEvent FOnIllegalAbort;
};
