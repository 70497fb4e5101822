// The object model: class records and casts, Assign, component ownership, names, state and notices,
// published properties and event delegates.
#include "framework/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum TColourKind : std::uint8_t { ckRed, ckGreen, ckBlue };
inline const TEnumInfo& EnumTypeInfo(TColourKind)
{
    static const TEnumInfo info{"TColourKind", {"ckRed", "ckGreen", "ckBlue"}};
    return info;
}

// Records what happens to components: construction and destruction order, notices, Loaded.
std::vector<std::string>& Journal()
{
    static std::vector<std::string> journal;
    return journal;
}

class TProbe : public TComponent {
    QEL_CLASS(TProbe)
public:
    explicit TProbe(TComponent* owner) : TComponent(owner) {}
    ~TProbe() override
    {
        Journal().push_back("destroy " + Name() + (ComponentState().Contains(csDestroying) ? " destroying" : ""));
    }

    TProbe* Buddy() const noexcept { return FBuddy; }
    void SetBuddy(TProbe* buddy)
    {
        FBuddy = buddy;
        if (buddy)
            buddy->FreeNotification(this);
    }
    TColourKind Colour() const noexcept { return FColour; }
    void SetColour(TColourKind colour) { FColour = colour; }
    const std::string& Label() const noexcept { return FLabel; }
    void SetLabel(const std::string& label) { FLabel = label; }
    std::int16_t Small() const noexcept { return FSmall; }
    void SetSmall(std::int16_t value) { FSmall = value; }
    bool IsLabelStored() const { return FLabel != "hidden"; }
    const TNotifyEvent& OnPing() const noexcept { return FOnPing; }
    void SetOnPing(const TNotifyEvent& event) { FOnPing = event; }

    void Ping(TObject* sender) { Journal().push_back("ping from " + static_cast<TComponent*>(sender)->Name()); }
    void Pong(TObject*) { Journal().push_back("pong"); }
    static TMethodList PublishedMethods()
    {
        return {PublishedMethod<TProbe>("Ping", &TProbe::Ping), PublishedMethod<TProbe>("Pong", &TProbe::Pong)};
    }

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == opRemove && component == FBuddy) {
            Journal().push_back(Name() + " lost " + component->Name());
            FBuddy = nullptr;
        }
    }

private:
    TProbe* FBuddy = nullptr;
    TColourKind FColour = ckGreen;
    std::string FLabel;
    std::int16_t FSmall = 0;
    TNotifyEvent FOnPing;
};

QEL_CLASS_INFO(TProbe, TComponent)
{
    return {
        Prop("Colour", &TProbe::Colour, &TProbe::SetColour).Default(ckGreen),
        Prop("Label", &TProbe::Label, &TProbe::SetLabel).StoredIf(&TProbe::IsLabelStored),
        Prop("Small", &TProbe::Small, &TProbe::SetSmall).Default(0),
        Prop("Buddy", &TProbe::Buddy, &TProbe::SetBuddy),
        Prop("OnPing", &TProbe::OnPing, &TProbe::SetOnPing),
    };
}

// Publishes Colour again with another default, and adds a property of its own.
class TDerivedProbe : public TProbe {
    QEL_CLASS(TDerivedProbe)
public:
    explicit TDerivedProbe(TComponent* owner) : TProbe(owner) { SetColour(ckBlue); }
    int Extra() const noexcept { return FExtra; }
    void SetExtra(int value) { FExtra = value; }

private:
    int FExtra = 0;
};

QEL_CLASS_INFO(TDerivedProbe, TProbe)
{
    return {
        Prop("Extra", &TDerivedProbe::Extra, &TDerivedProbe::SetExtra),
        Prop("Colour", &TDerivedProbe::Colour, &TDerivedProbe::SetColour).Default(ckBlue),
    };
}

// Takes the content of a TProbe, and nothing else.
class TPlainSettings : public TPersistent {
    QEL_CLASS(TPlainSettings)
public:
    std::string Text;
    void Assign(TPersistent* source) override
    {
        if (auto* probe = dynamic_cast<TProbe*>(source)) {
            Text = probe->Label();
            return;
        }
        TPersistent::Assign(source);
    }
};

QEL_CLASS_INFO(TPlainSettings, TPersistent)
{
    return {};
}

std::vector<std::string> PropertyNames(TClass cls)
{
    std::vector<std::string> names;
    for (const TPropInfo* prop : cls->AllProperties())
        names.push_back(prop->Name);
    return names;
}

class ObjectModel : public ::testing::Test {
protected:
    void SetUp() override { Journal().clear(); }
};

} // namespace

// --- Class records, casts and Assign -----------------------------------------------------------------

TEST_F(ObjectModel, ClassRecordsKnowNamesAncestryAndTheVirtualConstructor)
{
    TClass cls = FindClass("tderivedprobe");
    ASSERT_EQ(cls, TDerivedProbe::StaticClass());
    EXPECT_TRUE(cls->InheritsFrom(TComponent::StaticClass()));
    EXPECT_FALSE(TProbe::StaticClass()->InheritsFrom(cls));
    EXPECT_EQ(GetClass("TNoSuchClass"), nullptr);
    EXPECT_THROW(FindClass("TNoSuchClass"), EClassNotFound);

    TProbe owner(nullptr);
    TComponent* made = cls->CreateComponent(&owner);
    EXPECT_EQ(made->ClassName(), "TDerivedProbe");
    EXPECT_EQ(made->Owner(), &owner);
    EXPECT_EQ(static_cast<TProbe*>(made)->Colour(), ckBlue) << "the derived constructor ran";
}

TEST_F(ObjectModel, CheckedCastRaisesForAnotherClass)
{
    TProbe probe(nullptr);
    TObject* object = &probe;
    EXPECT_EQ(object->As<TComponent>(), &probe);
    EXPECT_TRUE(object->Is<TPersistent>());
    EXPECT_FALSE(object->Is<TDerivedProbe>());
    try {
        object->As<TDerivedProbe>();
        FAIL() << "no exception";
    } catch (const EInvalidCast& e) {
        EXPECT_NE(e.Message().find("TDerivedProbe"), std::string::npos) << e.Message();
    }
    EXPECT_EQ(ObjectAs<TProbe>(nullptr), nullptr);
}

TEST_F(ObjectModel, AssignCopiesWhatAClassTakesAndNamesBothClassesOtherwise)
{
    TProbe probe(nullptr);
    probe.SetLabel("copied");
    TPlainSettings settings;
    settings.Assign(&probe);
    EXPECT_EQ(settings.Text, "copied");

    TPlainSettings other;
    try {
        settings.Assign(&other);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TPlainSettings to a TPlainSettings");
    }
    EXPECT_THROW(probe.Assign(&settings), EConvertError);
    try {
        settings.Assign(nullptr);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a nil to a TPlainSettings");
    }
}

// --- Ownership, names, state, notices ----------------------------------------------------------------

TEST_F(ObjectModel, DestroyingAnOwnerDestroysWhatItOwnsLastFirstEachSeeingDestroying)
{
    auto* owner = new TProbe(nullptr);
    owner->SetName("Owner");
    auto* first = new TProbe(owner);
    first->SetName("First");
    auto* second = new TProbe(owner);
    second->SetName("Second");
    auto* grandchild = new TProbe(second);
    grandchild->SetName("Grandchild");
    ASSERT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->Components(1), second);
    EXPECT_EQ(second->ComponentIndex(), 1);
    EXPECT_THROW(owner->Components(2), EListError);

    delete owner;
    // The owner's own destructor body runs before the framework marks it; what it owns is marked first.
    EXPECT_EQ(Journal(), (std::vector<std::string>{"destroy Owner", "destroy Second destroying",
                                                   "destroy Grandchild destroying", "destroy First destroying"}));
}

TEST_F(ObjectModel, AComponentFreedByItselfLeavesItsOwnersList)
{
    TProbe owner(nullptr);
    auto* child = new TProbe(&owner);
    delete child;
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(Journal(), std::vector<std::string>{"destroy "}) << "not destroying: it went alone";
}

TEST_F(ObjectModel, AComponentItsOwnerRefusesOnInsertionIsNotKeptByTheOwner)
{
    // Refuses every component offered to it in the insertion notice.
    struct TRefusingOwner : TComponent {
        using TComponent::TComponent;
        void Notification(TComponent* component, TOperation operation) override
        {
            TComponent::Notification(component, operation);
            if (operation == opInsert)
                throw EComponentError("refused");
        }
    } owner(nullptr);
    EXPECT_THROW(new TProbe(&owner), EComponentError);
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_TRUE(Journal().empty()) << "a component whose construction failed is not destroyed";
}

TEST_F(ObjectModel, NamesMustBeIdentifiersUniqueAmongTheOwnersComponents)
{
    TProbe owner(nullptr);
    TProbe a(&owner);
    TProbe b(&owner);
    a.SetName("Panel1");
    EXPECT_THROW(b.SetName("panel1"), EComponentError) << "names compare without case";
    EXPECT_TRUE(b.Name().empty());
    EXPECT_THROW(b.SetName("1Panel"), EComponentError);
    EXPECT_THROW(b.SetName("Pan el"), EComponentError);
    b.SetName("_Panel2");
    EXPECT_EQ(owner.FindComponent("PANEL1"), &a);
    a.SetName("");
    b.SetName("Panel1");
    EXPECT_EQ(owner.FindComponent("Panel1"), &b);
}

TEST_F(ObjectModel, AMoveToAnOwnerHoldingTheSameNameIsRefusedAndChangesNothing)
{
    TProbe first(nullptr);
    TProbe second(nullptr);
    auto* moving = new TProbe(&first);
    moving->SetName("Panel1");
    TProbe clash(&second);
    clash.SetName("panel1");
    EXPECT_THROW(second.InsertComponent(moving), EComponentError);
    EXPECT_EQ(moving->Owner(), &first);
    EXPECT_EQ(first.ComponentCount(), 1);
    EXPECT_EQ(second.ComponentCount(), 1);
}

TEST_F(ObjectModel, RemovalNoticesReachThoseWhoAskedInEitherOrder)
{
    TProbe owner(nullptr);
    auto* holder = new TProbe(&owner);
    holder->SetName("Holder");
    auto* target = new TProbe(nullptr); // another owner: only the free notification tells
    target->SetName("Target");
    holder->SetBuddy(target);
    delete target;
    EXPECT_EQ(holder->Buddy(), nullptr);
    EXPECT_EQ(Journal(), (std::vector<std::string>{"destroy Target", "Holder lost Target"}));

    // The holder goes first: the target must not notify a dead holder later.
    auto* target2 = new TProbe(nullptr);
    holder->SetBuddy(target2);
    delete holder;
    Journal().clear();
    delete target2;
    EXPECT_EQ(Journal(), std::vector<std::string>{"destroy "});
}

TEST_F(ObjectModel, DesigningPassesToWhatIsOwned)
{
    TProbe owner(nullptr);
    owner.SetDesigning(true);
    TProbe child(&owner);
    EXPECT_TRUE(child.ComponentState().Contains(csDesigning));
    owner.SetDesigning(false);
    EXPECT_FALSE(child.ComponentState().Contains(csDesigning));
}

// --- Published properties --------------------------------------------------------------------------

TEST_F(ObjectModel, PropertiesComeInheritedFirstInDeclarationOrderWithRepublishedOnesInPlace)
{
    EXPECT_EQ(PropertyNames(TDerivedProbe::StaticClass()),
              (std::vector<std::string>{"Name", "Tag", "Colour", "Label", "Small", "Buddy", "OnPing", "Extra"}));
    const TPropInfo* colour = TDerivedProbe::StaticClass()->FindProperty("colour");
    ASSERT_NE(colour, nullptr);
    TDerivedProbe probe(nullptr);
    EXPECT_FALSE(colour->IsStored(probe)) << "blue is the derived class's default";
    probe.SetColour(ckGreen);
    EXPECT_TRUE(colour->IsStored(probe));
}

TEST_F(ObjectModel, StoredRulesFollowDefaultsKindsAndPredicates)
{
    TProbe probe(nullptr);
    TProbe other(nullptr);
    auto prop = [](const char* name) { return TProbe::StaticClass()->FindProperty(name); };
    EXPECT_FALSE(prop("Name")->IsStored(probe)) << "the name is written in the object header";
    EXPECT_FALSE(prop("Tag")->IsStored(probe));
    probe.SetTag(3);
    EXPECT_TRUE(prop("Tag")->IsStored(probe));
    EXPECT_TRUE(prop("Label")->IsStored(probe));
    probe.SetLabel("hidden");
    EXPECT_FALSE(prop("Label")->IsStored(probe));
    EXPECT_FALSE(prop("Buddy")->IsStored(probe));
    probe.SetBuddy(&other);
    EXPECT_TRUE(prop("Buddy")->IsStored(probe));
    EXPECT_FALSE(prop("OnPing")->IsStored(probe));
    probe.SetOnPing(TNotifyEvent(&probe, &TProbe::Ping));
    EXPECT_TRUE(prop("OnPing")->IsStored(probe));
}

TEST_F(ObjectModel, GenericAccessGoesThroughGettersAndSetters)
{
    TProbe probe(nullptr);
    const TPropInfo* small = TProbe::StaticClass()->FindProperty("Small");
    EXPECT_EQ(small->Kind, TTypeKind::Integer);
    EXPECT_EQ(small->Min, -32768);
    EXPECT_EQ(small->Max, 32767);
    SetPropValue(probe, *small, TValue{std::int64_t{-12}});
    EXPECT_EQ(probe.Small(), -12);

    const TPropInfo* colour = TProbe::StaticClass()->FindProperty("Colour");
    ASSERT_NE(colour->Enum, nullptr);
    EXPECT_EQ(colour->Enum->ValueOf("CKBLUE"), 2);
    EXPECT_EQ(colour->Enum->NameOf(1), "ckGreen");
    SetPropValue(probe, *colour, TValue{std::int64_t{2}});
    EXPECT_EQ(probe.Colour(), ckBlue);
    EXPECT_EQ(std::get<std::int64_t>(GetPropValue(probe, *colour)), 2);
}

// --- Events ------------------------------------------------------------------------------------------

TEST_F(ObjectModel, EventSlotsReplaceCompareAndCallTheirMethod)
{
    TProbe a(nullptr);
    a.SetName("A");
    TProbe b(nullptr);
    TNotifyEvent slot;
    EXPECT_FALSE(slot.Assigned());
    slot(&a); // an empty slot does nothing

    slot = TNotifyEvent(&b, &TProbe::Ping);
    EXPECT_TRUE(slot.Assigned());
    EXPECT_EQ(slot, TNotifyEvent(&b, &TProbe::Ping));
    EXPECT_NE(slot, TNotifyEvent(&a, &TProbe::Ping)) << "another object";
    EXPECT_NE(slot, TNotifyEvent(&b, &TProbe::Pong)) << "another method";
    slot(&a);
    slot = TNotifyEvent(&b, &TProbe::Pong);
    slot(&a);
    EXPECT_EQ(Journal(), (std::vector<std::string>{"ping from A", "pong"}));
}

TEST_F(ObjectModel, ByReferenceParametersReachTheCaller)
{
    struct TCounter : TObject {
        void Bump(TObject*, int& value) { value += 5; }
    } counter;
    TEvent<TObject*, int&> slot(&counter, &TCounter::Bump);
    int value = 1;
    slot(nullptr, value);
    EXPECT_EQ(value, 6);
}

TEST_F(ObjectModel, PublishedMethodsAreFoundByNameAndByTheSlotThatHoldsThem)
{
    TProbe probe(nullptr);
    const TMethodInfo* pong = TProbe::StaticClass()->FindMethod("PONG");
    ASSERT_NE(pong, nullptr);
    EXPECT_EQ(*pong->Signature, typeid(TNotifyEvent::TSignature));
    probe.SetOnPing(TNotifyEvent(pong->Bind(&probe)));
    probe.OnPing()(&probe);
    EXPECT_EQ(Journal(), std::vector<std::string>{"pong"});
    const TMethodInfo* found = TProbe::StaticClass()->FindMethod(probe, probe.OnPing().Method());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Name, "Pong");
    TProbe stranger(nullptr);
    EXPECT_EQ(TProbe::StaticClass()->FindMethod(stranger, probe.OnPing().Method()), nullptr)
        << "bound to another object";
}

TEST_F(ObjectModel, GenericSlotsHandEveryArgumentAsText)
{
    struct TRecorder : TEventSink {
        std::vector<std::string> Seen;
        void EventFired(const std::vector<std::string>& texts) override { Seen = texts; }
    } recorder;
    TProbe sender(nullptr);
    sender.SetName("Sender1");
    using TSlot = TEvent<TObject*, int&, TColourKind, bool, std::string, char, std::uint8_t>;
    TSlot slot(TSlot::Generic(&recorder));
    int number = 42;
    slot(&sender, number, ckBlue, true, "it", 'E', std::uint8_t{69});
    // A character reads as the letter, a small number as a number.
    EXPECT_EQ(recorder.Seen, (std::vector<std::string>{"Sender1", "42", "ckBlue", "True", "'it'", "E", "69"}));
}
