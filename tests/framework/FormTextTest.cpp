// Form descriptions: what the writer puts in the text, how the reader builds components from it, the
// round trip of every property kind, and the errors (with their positions) for malformed text, each of
// which must leave no object alive.
#include "framework/FormText.h"

#include "framework/Collection.h"
#include "framework/DateTime.h"
#include "framework/StringList.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Live instances of every test class below, so that a test sees whether anything was left behind.
int GLive = 0;

struct TLiveCount {
    TLiveCount() { ++GLive; }
    ~TLiveCount() { --GLive; }
    TLiveCount(const TLiveCount&) = delete;
    TLiveCount& operator=(const TLiveCount&) = delete;
};

// What the test components did, in order: Loaded calls, event handler calls.
std::vector<std::string>& Journal()
{
    static std::vector<std::string> journal;
    return journal;
}

enum TFtColor : std::uint8_t { fcRed, fcGreen, fcBlue };
inline const TEnumInfo& EnumTypeInfo(TFtColor)
{
    static const TEnumInfo info{"TFtColor", {"fcRed", "fcGreen", "fcBlue"}};
    return info;
}

enum TFtOption : std::uint8_t { foBold, foItalic, foUnderline };
inline const TEnumInfo& EnumTypeInfo(TFtOption)
{
    static const TEnumInfo info{"TFtOption", {"foBold", "foItalic", "foUnderline"}};
    return info;
}
using TFtOptions = TSet<TFtOption>;

struct TFtCountEvent : TEvent<TObject*, int&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TFtCountEvent";
    static constexpr std::array<std::string_view, 2> ParamNames{"Sender", "Count"};
};

// A sub-object nested in another one.
class TFtInner : public TPersistent {
    QEL_CLASS(TFtInner)
public:
    int Depth() const noexcept { return FDepth; }
    void SetDepth(int depth) { FDepth = depth; }
    const std::string& Label() const noexcept { return FLabel; }
    void SetLabel(const std::string& label) { FLabel = label; }

private:
    TLiveCount FLive;
    int FDepth = 0;
    std::string FLabel;
};

QEL_CLASS_INFO(TFtInner, TPersistent)
{
    return {
        Prop("Depth", &TFtInner::Depth, &TFtInner::SetDepth).Default(0),
        Prop("Label", &TFtInner::Label, &TFtInner::SetLabel).Default(""),
    };
}

class TFtSub : public TPersistent {
    QEL_CLASS(TFtSub)
public:
    const std::string& Title() const noexcept { return FTitle; }
    void SetTitle(const std::string& title) { FTitle = title; }
    std::int16_t Level() const noexcept { return FLevel; }
    void SetLevel(std::int16_t level) { FLevel = level; }
    TFtInner* Inner() const noexcept { return FInner.get(); }
    TFtInner* Hidden() const noexcept { return FHidden.get(); }

private:
    TLiveCount FLive;
    std::string FTitle;
    std::int16_t FLevel = 0;
    std::unique_ptr<TFtInner> FInner = std::make_unique<TFtInner>();
    std::unique_ptr<TFtInner> FHidden = std::make_unique<TFtInner>();
};

QEL_CLASS_INFO(TFtSub, TPersistent)
{
    return {
        Prop("Title", &TFtSub::Title, &TFtSub::SetTitle).Default(""),
        Prop("Level", &TFtSub::Level, &TFtSub::SetLevel).Default(0),
        Prop("Inner", &TFtSub::Inner),
        Prop("Hidden", &TFtSub::Hidden).Stored(TStored::Never),
    };
}

class TFtThing;

class TFtItem : public TCollectionItem {
    QEL_CLASS(TFtItem)
public:
    explicit TFtItem(TCollection* collection) : TCollectionItem(collection) {}

    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& caption) { FCaption = caption; }
    int Value() const noexcept { return FValue; }
    void SetValue(int value) { FValue = value; }
    TStrings* Lines() const noexcept { return FLines.get(); }
    void SetLines(TStrings* lines) { FLines->Assign(lines); }
    TFtThing* Buddy() const noexcept { return FBuddy; }
    void SetBuddy(TFtThing* buddy) { FBuddy = buddy; }

private:
    TLiveCount FLive;
    std::string FCaption;
    int FValue = 0;
    std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
    TFtThing* FBuddy = nullptr;
};

// A component with a property of every kind.
class TFtThing : public TComponent {
    QEL_CLASS(TFtThing)
public:
    explicit TFtThing(TComponent* owner) : TComponent(owner) {}

    const std::string& Text() const noexcept { return FText; }
    void SetText(const std::string& text)
    {
        FText = text;
        FTextSetWhileLoading = ComponentState().Contains(csLoading);
    }
    char Letter() const noexcept { return FLetter; }
    void SetLetter(char letter) { FLetter = letter; }
    std::int8_t Tiny() const noexcept { return FTiny; }
    void SetTiny(std::int8_t value) { FTiny = value; }
    std::uint8_t Byte() const noexcept { return FByte; }
    void SetByte(std::uint8_t value) { FByte = value; }
    std::int16_t Short() const noexcept { return FShort; }
    void SetShort(std::int16_t value) { FShort = value; }
    std::uint16_t Word() const noexcept { return FWord; }
    void SetWord(std::uint16_t value) { FWord = value; }
    std::int32_t Long() const noexcept { return FLong; }
    void SetLong(std::int32_t value) { FLong = value; }
    std::uint32_t Cardinal() const noexcept { return FCardinal; }
    void SetCardinal(std::uint32_t value) { FCardinal = value; }
    bool Flag() const noexcept { return FFlag; }
    void SetFlag(bool flag) { FFlag = flag; }
    TFtColor Color() const noexcept { return FColor; }
    void SetColor(TFtColor color) { FColor = color; }
    TFtOptions Options() const noexcept { return FOptions; }
    void SetOptions(TFtOptions options) { FOptions = options; }
    double Ratio() const noexcept { return FRatio; }
    void SetRatio(double ratio) { FRatio = ratio; }
    TDateTime Stamp() const noexcept { return FStamp; }
    void SetStamp(TDateTime stamp) { FStamp = stamp; }
    TFtSub* Sub() const noexcept { return FSub.get(); }
    TFtThing* Peer() const noexcept { return FPeer; }
    void SetPeer(TFtThing* peer)
    {
        FPeer = peer;
        if (peer)
            peer->FreeNotification(this);
    }
    TStrings* Lines() const noexcept { return FLines.get(); }
    void SetLines(TStrings* lines) { FLines->Assign(lines); }
    // Published read-only: the reader fills the list itself.
    TStrings* Notes() const noexcept { return FNotes.get(); }
    TCollection* Items() const noexcept { return FItems.get(); }
    const TNotifyEvent& OnPing() const noexcept { return FOnPing; }
    void SetOnPing(const TNotifyEvent& event) { FOnPing = event; }
    const TFtCountEvent& OnCount() const noexcept { return FOnCount; }
    void SetOnCount(const TFtCountEvent& event) { FOnCount = event; }
    const TBytes& Data() const noexcept { return FData; }
    void SetData(const TBytes& data) { FData = data; }
    // An information property: never stored, its writer ignores the value.
    std::string Info() const { return "information"; }
    void SetInfo(const std::string&) {}
    int Version() const noexcept { return 3; }
    bool Explode() const noexcept { return false; }
    void SetExplode(bool explode)
    {
        if (explode)
            throw EConvertError("boom");
    }
    bool FailLoaded() const noexcept { return FFailLoaded; }
    void SetFailLoaded(bool fail) { FFailLoaded = fail; }

    bool TextSetWhileLoading() const noexcept { return FTextSetWhileLoading; }

protected:
    void Loaded() override
    {
        Journal().push_back("Loaded " + Name() + (ComponentState().Contains(csLoading) ? " loading" : "") +
                            " peer=" + (FPeer ? FPeer->Name() : "nil"));
        TComponent::Loaded();
        if (FFailLoaded)
            throw EConvertError("loaded boom");
    }
    void Notification(TComponent* component, TOperation operation) override
    {
        TComponent::Notification(component, operation);
        if (operation == opRemove && component == FPeer)
            FPeer = nullptr;
    }

private:
    TLiveCount FLive;
    std::string FText;
    char FLetter = 'a';
    std::int8_t FTiny = 0;
    std::uint8_t FByte = 0;
    std::int16_t FShort = 0;
    std::uint16_t FWord = 0;
    std::int32_t FLong = 0;
    std::uint32_t FCardinal = 0;
    bool FFlag = false;
    TFtColor FColor = fcRed;
    TFtOptions FOptions;
    double FRatio = 0;
    TDateTime FStamp{0.0};
    std::unique_ptr<TFtSub> FSub = std::make_unique<TFtSub>();
    TFtThing* FPeer = nullptr;
    std::unique_ptr<TStringList> FLines = std::make_unique<TStringList>();
    std::unique_ptr<TStringList> FNotes = std::make_unique<TStringList>();
    std::unique_ptr<TCollection> FItems = std::make_unique<TCollection>(TFtItem::StaticClass());
    TNotifyEvent FOnPing;
    TFtCountEvent FOnCount;
    TBytes FData;
    bool FFailLoaded = false;
    bool FTextSetWhileLoading = false;
};

QEL_CLASS_INFO(TFtItem, TCollectionItem)
{
    return {
        Prop("Caption", &TFtItem::Caption, &TFtItem::SetCaption).Default(""),
        Prop("Value", &TFtItem::Value, &TFtItem::SetValue).Default(0),
        Prop("Lines", &TFtItem::Lines, &TFtItem::SetLines),
        Prop("Buddy", &TFtItem::Buddy, &TFtItem::SetBuddy),
    };
}

QEL_CLASS_INFO(TFtThing, TComponent)
{
    return {
        Prop("Text", &TFtThing::Text, &TFtThing::SetText).Default(""),
        Prop("Letter", &TFtThing::Letter, &TFtThing::SetLetter).Default('a'),
        Prop("Tiny", &TFtThing::Tiny, &TFtThing::SetTiny).Default(0),
        Prop("Byte", &TFtThing::Byte, &TFtThing::SetByte).Default(0),
        Prop("Short", &TFtThing::Short, &TFtThing::SetShort).Default(0),
        Prop("Word", &TFtThing::Word, &TFtThing::SetWord).Default(0),
        Prop("Long", &TFtThing::Long, &TFtThing::SetLong).Default(0),
        Prop("Cardinal", &TFtThing::Cardinal, &TFtThing::SetCardinal).Default(0),
        Prop("Flag", &TFtThing::Flag, &TFtThing::SetFlag).Default(false),
        Prop("Color", &TFtThing::Color, &TFtThing::SetColor).Default(fcRed),
        Prop("Options", &TFtThing::Options, &TFtThing::SetOptions).Default({}),
        Prop("Ratio", &TFtThing::Ratio, &TFtThing::SetRatio).Default(0),
        Prop("Stamp", &TFtThing::Stamp, &TFtThing::SetStamp),
        Prop("Sub", &TFtThing::Sub),
        Prop("Peer", &TFtThing::Peer, &TFtThing::SetPeer),
        Prop("Lines", &TFtThing::Lines, &TFtThing::SetLines),
        Prop("Notes", &TFtThing::Notes),
        Prop("Items", &TFtThing::Items),
        Prop("OnPing", &TFtThing::OnPing, &TFtThing::SetOnPing),
        Prop("OnCount", &TFtThing::OnCount, &TFtThing::SetOnCount),
        Prop("Data", &TFtThing::Data, &TFtThing::SetData),
        Prop("Info", &TFtThing::Info, &TFtThing::SetInfo).Stored(TStored::Never),
        Prop("Version", &TFtThing::Version).Stored(TStored::Never),
        Prop("Explode", &TFtThing::Explode, &TFtThing::SetExplode).Default(false),
        Prop("FailLoaded", &TFtThing::FailLoaded, &TFtThing::SetFailLoaded).Default(false),
    };
}

// A component that sits inside another one in a description, as a control sits on its parent.
class TFtPanel : public TComponent {
    QEL_CLASS(TFtPanel)
public:
    explicit TFtPanel(TComponent* owner) : TComponent(owner) {}

    int Left() const noexcept { return FLeft; }
    void SetLeft(int left) { FLeft = left; }

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override { return FParent; }
    void SetParentComponent(TComponent* parent) override { FParent = parent; }
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override
    {
        for (int i = 0; i < root->ComponentCount(); ++i)
            if (TComponent* component = root->Components(i); component->GetParentComponent() == this)
                proc(component);
    }

private:
    TLiveCount FLive;
    int FLeft = 0;
    TComponent* FParent = nullptr;
};

QEL_CLASS_INFO(TFtPanel, TComponent)
{
    return {
        Prop("Left", &TFtPanel::Left, &TFtPanel::SetLeft).Default(0),
    };
}

// A component that cannot be built.
class TFtFailing : public TComponent {
    QEL_CLASS(TFtFailing)
public:
    explicit TFtFailing(TComponent* owner) : TComponent(owner) { throw EOutOfResources("no room"); }

private:
    TLiveCount FLive;
};

QEL_CLASS_INFO(TFtFailing, TComponent)
{
    return {};
}

// The root: a form with its own properties and event, publishing the handlers its description names.
class TFtForm : public TComponent {
    QEL_CLASS(TFtForm)
public:
    explicit TFtForm(TComponent* owner) : TComponent(owner) {}

    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& caption)
    {
        FCaption = caption;
        FComponentsAtCaption = ComponentCount();
        FCaptionSetWhileLoading = ComponentState().Contains(csLoading);
    }
    int Width() const noexcept { return FWidth; }
    void SetWidth(int width) { FWidth = width; }
    const TNotifyEvent& OnShow() const noexcept { return FOnShow; }
    void SetOnShow(const TNotifyEvent& event) { FOnShow = event; }

    void FormShow(TObject*) { Journal().push_back("FormShow"); }
    void ThingPing(TObject* sender) { Journal().push_back("ThingPing " + static_cast<TComponent*>(sender)->Name()); }
    void ThingCount(TObject*, int& count) { count += 10; }
    void NotPublished(TObject*) {}

    int ComponentsAtCaption() const noexcept { return FComponentsAtCaption; }
    bool CaptionSetWhileLoading() const noexcept { return FCaptionSetWhileLoading; }

    // Components without a parent, and those whose parent is the form itself.
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override
    {
        for (int i = 0; i < ComponentCount(); ++i)
            if (TComponent* component = Components(i);
                !component->HasParent() || component->GetParentComponent() == root)
                proc(component);
    }

protected:
    void Loaded() override
    {
        Journal().push_back("Loaded " + Name() + (ComponentState().Contains(csLoading) ? " loading" : ""));
        TComponent::Loaded();
    }

private:
    static TMethodList PublishedMethods()
    {
        return {
            PublishedMethod<TFtForm>("FormShow", &TFtForm::FormShow),
            PublishedMethod<TFtForm>("ThingPing", &TFtForm::ThingPing),
            PublishedMethod<TFtForm>("ThingCount", &TFtForm::ThingCount),
        };
    }

    TLiveCount FLive;
    std::string FCaption;
    int FWidth = 0;
    TNotifyEvent FOnShow;
    int FComponentsAtCaption = -1;
    bool FCaptionSetWhileLoading = false;
};

QEL_CLASS_INFO(TFtForm, TComponent)
{
    return {
        Prop("Caption", &TFtForm::Caption, &TFtForm::SetCaption).Default(""),
        Prop("Width", &TFtForm::Width, &TFtForm::SetWidth).Default(0),
        Prop("OnShow", &TFtForm::OnShow, &TFtForm::SetOnShow),
    };
}

// Descriptions are written with CR LF line ends; the tests write them with "\n".
std::string Lines(std::string_view text)
{
    std::string result;
    for (char c : text)
        result.append(c == '\n' ? "\r\n" : std::string(1, c));
    return result;
}

std::unique_ptr<TFtForm> Read(std::string_view text, TComponent* owner = nullptr)
{
    TComponent* root = TReader(std::string(text)).ReadComponent(owner);
    return std::unique_ptr<TFtForm>(root->As<TFtForm>());
}

TFtThing* Thing(const TComponent& form, std::string_view name)
{
    return ObjectAs<TFtThing>(form.FindComponent(name));
}

// One description using every property kind, exactly as the writer writes it.
const std::string AllKindsText = Lines(R"(object Form1: TFtForm
  Caption = 'Main'
  Width = 400
  OnShow = FormShow
  object Thing1: TFtThing
    Tag = 5
    Text = 'it''s'#13#10#9'tabbed'
    Letter = 'z'
    Tiny = -128
    Byte = 255
    Short = -32768
    Word = 65535
    Long = -2147483648
    Cardinal = 4294967295
    Flag = True
    Color = fcBlue
    Options = [foBold, foUnderline]
    Ratio = 0.1
    Stamp = 45000.25
    Sub.Title = 'sub'
    Sub.Level = 3
    Sub.Inner.Depth = 7
    Sub.Inner.Label = 'deep'
    Peer = Thing2
    Lines.Strings = (
      'line one'
      'it''s')
    Notes.Strings = (
      'note')
    Items = <
      item
        Caption = 'first'
        Value = 1
        Lines.Strings = (
          'a')
        Buddy = Thing2
      end
      item
        Caption = 'second'
      end>
    OnPing = ThingPing
    OnCount = ThingCount
    Data = {0A1B2C}
  end
  object Thing2: TFtThing
    Text = '0123456789012345678901234567890123456789012345678901234567890123' +
      'tail'
    Letter = #0
    Ratio = 1e+300
    Stamp = 0.0
    Peer = Thing1
    Data = {
      000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F
      20}
  end
  object Panel1: TFtPanel
    Left = 10
    object Panel2: TFtPanel
      Left = 20
    end
  end
end
)");

class FormText : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GLive, 0) << "an earlier test left objects alive";
        Journal().clear();
    }
    void TearDown() override { EXPECT_EQ(GLive, 0) << "objects left alive"; }
};

// ---------------------------------------------------------------------------------------------------
// Design positions of components that are not controls

using FormTextDesignPosition = FormText;

TEST_F(FormTextDesignPosition, WrittenAfterTheStoredPropertiesOfAComponentThatIsNoControl)
{
    TFtForm form(nullptr);
    form.SetName("Form1");
    form.SetDesignPosition(TDesignPosition{1, 2}); // the root's place is its own
    auto* placed = new TFtThing(&form);
    placed->SetName("Placed");
    placed->SetTiny(3);
    placed->SetDesignPosition(TDesignPosition{-40, 2147483647});
    auto* unplaced = new TFtThing(&form);
    unplaced->SetName("Unplaced");
    auto* panel = new TFtPanel(&form);
    panel->SetName("Panel1");
    panel->SetParentComponent(&form);
    panel->SetDesignPosition(TDesignPosition{5, 6}); // a control's place is its bounds
    EXPECT_EQ(WriteComponentText(form), Lines(R"(object Form1: TFtForm
  object Placed: TFtThing
    Tiny = 3
    Stamp = 0.0
    Left = -40
    Top = 2147483647
  end
  object Unplaced: TFtThing
    Stamp = 0.0
  end
  object Panel1: TFtPanel
  end
end
)"));
}

TEST_F(FormTextDesignPosition, ReadFromLeftAndTopLinesAnywhereInTheBody)
{
    auto form = Read(Lines(R"(object Form1: TFtForm
  object Placed: TFtThing
    top = 7
    Tiny = 3
    LEFT = 12
  end
  object HalfPlaced: TFtThing
    Left = 9
  end
  object Unplaced: TFtThing
    Tiny = 4
  end
end
)"));
    EXPECT_EQ(Thing(*form, "Placed")->DesignPosition(), (TDesignPosition{12, 7}));
    EXPECT_EQ(Thing(*form, "Placed")->Tiny(), 3);
    EXPECT_EQ(Thing(*form, "HalfPlaced")->DesignPosition(), (TDesignPosition{9, 0}));
    EXPECT_FALSE(Thing(*form, "Unplaced")->DesignPosition().has_value());
    EXPECT_FALSE(form->DesignPosition().has_value());
}

TEST_F(FormTextDesignPosition, AControlsLeftIsItsPropertyAndItHasNoTop)
{
    auto form = Read(Lines(R"(object Form1: TFtForm
  object Panel1: TFtPanel
    Left = 10
  end
end
)"));
    auto* panel = ObjectAs<TFtPanel>(form->FindComponent("Panel1"));
    EXPECT_EQ(panel->Left(), 10);
    EXPECT_FALSE(panel->DesignPosition().has_value());
    try {
        Read(Lines("object Form1: TFtForm\n  object Panel1: TFtPanel\n    Top = 1\n  end\nend\n"));
        FAIL() << "a control's Top was read";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Line 3, column 5: expected a property of TFtPanel but found 'Top'");
    }
    try {
        Read(Lines("object Form1: TFtForm\n  Left = 1\nend\n"));
        FAIL() << "the root's Left was read";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Line 2, column 3: expected a property of TFtForm but found 'Left'");
    }
}

TEST_F(FormTextDesignPosition, RoundTripsToIdenticalText)
{
    const std::string text = Lines(R"(object Form1: TFtForm
  object Placed: TFtThing
    Stamp = 0.0
    Left = 0
    Top = -2147483648
  end
  object Other: TFtThing
    Stamp = 0.0
    Left = 300
    Top = 24
  end
end
)");
    auto form = Read(text);
    EXPECT_EQ(WriteComponentText(*form), text);
}

// ---------------------------------------------------------------------------------------------------
// Writing

using FormTextWrite = FormText;

TEST_F(FormTextWrite, WritesStoredPropertiesInDeclarationOrderAndLeavesDefaultsOut)
{
    TFtForm form(nullptr);
    form.SetName("Form1");
    auto* thing = new TFtThing(&form);
    thing->SetName("Thing1");
    thing->SetColor(fcGreen);
    thing->SetTiny(-1);
    thing->SetLetter('a'); // its default
    thing->SetStamp(TDateTime(2.5));
    thing->SetFlag(false); // its default
    EXPECT_EQ(WriteComponentText(form), Lines(R"(object Form1: TFtForm
  object Thing1: TFtThing
    Tiny = -1
    Color = fcGreen
    Stamp = 2.5
  end
end
)"));
}

TEST_F(FormTextWrite, NeverStoredPropertiesAndSubObjectsNeverAppear)
{
    TFtForm form(nullptr);
    auto* thing = new TFtThing(&form);
    thing->SetName("Thing1");
    thing->Sub()->Hidden()->SetDepth(9);
    thing->Sub()->Hidden()->SetLabel("secret");
    const std::string text = WriteComponentText(form);
    EXPECT_EQ(text.find("Hidden"), std::string::npos) << text;
    EXPECT_EQ(text.find("Info"), std::string::npos) << text;
    EXPECT_EQ(text.find("Version"), std::string::npos) << text;
    EXPECT_EQ(text.find("Sub."), std::string::npos) << "a sub-object with nothing stored writes nothing";
}

TEST_F(FormTextWrite, QuotesEscapesAndWrapsStrings)
{
    TFtForm form(nullptr);
    auto* thing = new TFtThing(&form);
    thing->SetName("Thing1");
    thing->SetText(std::string("'\r\n") + '\x7f' + "\xe9t\xe9");
    thing->Lines()->Add("");
    thing->Lines()->Add("\t");
    thing->Lines()->Add(std::string(130, 'x'));
    thing->SetStamp(TDateTime(1.0));
    EXPECT_EQ(WriteComponentText(form), Lines(R"(object TFtForm
  object Thing1: TFtThing
    Text = ''''#13#10#127')" "\xe9t\xe9" R"('
    Stamp = 1.0
    Lines.Strings = (
      ''
      #9
      'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx' +
        'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx' +
        'xx')
  end
end
)"));
}

TEST_F(FormTextWrite, ChildrenNestAsTheirParentsSay)
{
    TFtForm form(nullptr);
    form.SetName("Form1");
    auto* outer = new TFtPanel(&form);
    outer->SetName("Outer");
    outer->SetParentComponent(&form);
    auto* thing = new TFtThing(&form);
    thing->SetName("Thing1");
    auto* inner = new TFtPanel(&form);
    inner->SetName("Inner");
    inner->SetParentComponent(outer);
    auto* unnamed = new TFtPanel(&form);
    unnamed->SetParentComponent(inner);
    EXPECT_EQ(WriteComponentText(form), Lines(R"(object Form1: TFtForm
  object Outer: TFtPanel
    object Inner: TFtPanel
      object TFtPanel
      end
    end
  end
  object Thing1: TFtThing
    Stamp = 0.0
  end
end
)"));
}

TEST_F(FormTextWrite, FloatsAndDatesAreWrittenExactly)
{
    const double values[] = {0.1, 1.0 / 3, -2.0, 1e300, 5e-324, 123456789.125, 45000.999988425923, -0.0};
    for (double value : values) {
        TFtForm form(nullptr);
        auto* thing = new TFtThing(&form);
        thing->SetName("Thing1");
        thing->SetRatio(value);
        thing->SetStamp(TDateTime(value));
        const std::string text = WriteComponentText(form);
        auto copy = Read(text);
        const double ratio = Thing(*copy, "Thing1")->Ratio();
        const double stamp = static_cast<double>(Thing(*copy, "Thing1")->Stamp());
        // Ratio's default is 0, and -0 equals it: only the date, always stored, keeps the sign of zero.
        if (value != 0) {
            EXPECT_EQ(std::memcmp(&ratio, &value, sizeof value), 0) << text;
        }
        EXPECT_EQ(std::memcmp(&stamp, &value, sizeof value), 0) << text;
    }
}

TEST_F(FormTextWrite, HandlerThatIsNotAPublishedMethodOfTheRootIsAnError)
{
    TFtForm form(nullptr);
    form.SetName("Form1");
    auto* thing = new TFtThing(&form);
    thing->SetName("Thing1");
    thing->SetOnPing(TNotifyEvent(&form, &TFtForm::NotPublished));
    try {
        WriteComponentText(form);
        FAIL() << "no error";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), "Cannot write Thing1.OnPing: its handler is not a published method of Form1");
    }

    TFtForm other(nullptr);
    thing->SetOnPing(TNotifyEvent(&other, &TFtForm::ThingPing));
    EXPECT_THROW(WriteComponentText(form), EConvertError) << "a published method, but of another form";

    thing->SetOnPing(TNotifyEvent(&form, &TFtForm::ThingPing));
    EXPECT_NE(WriteComponentText(form).find("OnPing = ThingPing"), std::string::npos);
}

TEST_F(FormTextWrite, ReferenceToAComponentOutsideTheFormIsAnError)
{
    TFtForm form(nullptr);
    form.SetName("Form1");
    auto* thing = new TFtThing(&form);
    thing->SetName("Thing1");
    TFtThing stranger(nullptr);
    stranger.SetName("Stranger");
    auto* item = static_cast<TFtItem*>(thing->Items()->Add());
    thing->Items()->Add();
    static_cast<TFtItem*>(thing->Items()->Items(1))->SetBuddy(&stranger);
    try {
        WriteComponentText(form);
        FAIL() << "no error";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), "Cannot write Thing1.Items[1].Buddy: it refers to a component that is not Form1 "
                                   "or one of its named components");
    }
    static_cast<TFtItem*>(thing->Items()->Items(1))->SetBuddy(nullptr);
    item->SetBuddy(thing);
    EXPECT_NE(WriteComponentText(form).find("Buddy = Thing1"), std::string::npos);
}

TEST_F(FormTextWrite, NonFiniteFloatIsAnError)
{
    TFtForm form(nullptr);
    auto* thing = new TFtThing(&form);
    thing->SetName("Thing1");
    thing->SetRatio(std::numeric_limits<double>::infinity());
    EXPECT_THROW(WriteComponentText(form), EConvertError);
}

// ---------------------------------------------------------------------------------------------------
// Reading

using FormTextRead = FormText;

TEST_F(FormTextRead, CreatesTheRootAndEachComponentThroughItsVirtualConstructor)
{
    TFtForm owner(nullptr);
    auto form = Read(AllKindsText, &owner);
    EXPECT_EQ(form->Owner(), &owner);
    EXPECT_EQ(form->Name(), "Form1");
    ASSERT_EQ(form->ComponentCount(), 4);
    const char* names[] = {"Thing1", "Thing2", "Panel1", "Panel2"};
    const char* classes[] = {"TFtThing", "TFtThing", "TFtPanel", "TFtPanel"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(form->Components(i)->Name(), names[i]);
        EXPECT_EQ(form->Components(i)->ClassName(), classes[i]);
        EXPECT_EQ(form->Components(i)->Owner(), form.get());
    }
    form.reset();
    EXPECT_EQ(GLive, 1) << "only the owner is left";
}

TEST_F(FormTextRead, ReadsEveryPropertyKind)
{
    auto form = Read(AllKindsText);
    EXPECT_EQ(form->Caption(), "Main");
    EXPECT_EQ(form->Width(), 400);
    TFtThing* thing = Thing(*form, "Thing1");
    TFtThing* thing2 = Thing(*form, "Thing2");
    ASSERT_TRUE(thing && thing2);
    EXPECT_EQ(thing->Tag(), 5);
    EXPECT_EQ(thing->Text(), "it's\r\n\ttabbed");
    EXPECT_EQ(thing->Letter(), 'z');
    EXPECT_EQ(thing->Tiny(), -128);
    EXPECT_EQ(thing->Byte(), 255);
    EXPECT_EQ(thing->Short(), -32768);
    EXPECT_EQ(thing->Word(), 65535);
    EXPECT_EQ(thing->Long(), -2147483647 - 1);
    EXPECT_EQ(thing->Cardinal(), 4294967295u);
    EXPECT_TRUE(thing->Flag());
    EXPECT_EQ(thing->Color(), fcBlue);
    EXPECT_EQ(thing->Options(), (TFtOptions{foBold, foUnderline}));
    EXPECT_EQ(thing->Ratio(), 0.1);
    EXPECT_EQ(static_cast<double>(thing->Stamp()), 45000.25);
    EXPECT_EQ(thing->Sub()->Title(), "sub");
    EXPECT_EQ(thing->Sub()->Level(), 3);
    EXPECT_EQ(thing->Sub()->Inner()->Depth(), 7);
    EXPECT_EQ(thing->Sub()->Inner()->Label(), "deep");
    EXPECT_EQ(thing->Peer(), thing2) << "a reference to a component described later";
    EXPECT_EQ(thing2->Peer(), thing);
    ASSERT_EQ(thing->Lines()->Count(), 2);
    EXPECT_EQ(thing->Lines()->Get(1), "it's");
    ASSERT_EQ(thing->Notes()->Count(), 1);
    EXPECT_EQ(thing->Notes()->Get(0), "note");
    ASSERT_EQ(thing->Items()->Count(), 2);
    auto* first = static_cast<TFtItem*>(thing->Items()->Items(0));
    EXPECT_EQ(first->Caption(), "first");
    EXPECT_EQ(first->Value(), 1);
    EXPECT_EQ(first->Lines()->Text(), "a\r\n");
    EXPECT_EQ(first->Buddy(), thing2);
    EXPECT_EQ(static_cast<TFtItem*>(thing->Items()->Items(1))->Caption(), "second");
    EXPECT_EQ(thing->Data(), (TBytes{0x0A, 0x1B, 0x2C}));
    EXPECT_EQ(thing2->Text(), "0123456789012345678901234567890123456789012345678901234567890123tail");
    EXPECT_EQ(thing2->Letter(), '\0');
    EXPECT_EQ(thing2->Ratio(), 1e300);
    EXPECT_EQ(thing2->Data().size(), 33u);
    EXPECT_EQ(thing2->Data()[32], 0x20);
}

TEST_F(FormTextRead, EventsBindToTheRootsPublishedMethods)
{
    auto form = Read(AllKindsText);
    TFtThing* thing = Thing(*form, "Thing1");
    Journal().clear();
    form->OnShow()(form.get());
    thing->OnPing()(thing);
    int count = 1;
    thing->OnCount()(thing, count);
    EXPECT_EQ(count, 11) << "the by-reference argument reaches the handler";
    EXPECT_EQ(Journal(), (std::vector<std::string>{"FormShow", "ThingPing Thing1"}));
    EXPECT_EQ(thing->OnPing(), TNotifyEvent(form.get(), &TFtForm::ThingPing));
}

TEST_F(FormTextRead, RootPropertiesAreInPlaceBeforeAnyComponentIsCreated)
{
    auto form = Read(AllKindsText);
    EXPECT_EQ(form->ComponentsAtCaption(), 0);
    EXPECT_TRUE(form->CaptionSetWhileLoading());
    EXPECT_TRUE(Thing(*form, "Thing1")->TextSetWhileLoading());
}

TEST_F(FormTextRead, LoadedRunsOnEveryComponentRootFirstAfterReferencesAreResolved)
{
    auto form = Read(AllKindsText);
    EXPECT_EQ(Journal(), (std::vector<std::string>{"Loaded Form1 loading", "Loaded Thing1 loading peer=Thing2",
                                                   "Loaded Thing2 loading peer=Thing1"}));
    EXPECT_FALSE(form->ComponentState().Contains(csLoading));
    for (int i = 0; i < form->ComponentCount(); ++i)
        EXPECT_FALSE(form->Components(i)->ComponentState().Contains(csLoading)) << form->Components(i)->Name();
}

TEST_F(FormTextRead, ComponentsThatHaveAParentGetTheEnclosingObject)
{
    auto form = Read(AllKindsText);
    auto* panel1 = form->FindComponent("Panel1");
    auto* panel2 = form->FindComponent("Panel2");
    EXPECT_EQ(panel1->GetParentComponent(), form.get());
    EXPECT_EQ(panel2->GetParentComponent(), panel1);
    EXPECT_EQ(panel2->Owner(), form.get());
}

TEST_F(FormTextRead, IdentifiersIgnoreCase)
{
    auto form = Read(R"(OBJECT form1: tftFORM
  CAPTION = 'x'
  onshow = formSHOW
  Object thing1: TFTTHING
    flag = TRUE
    color = FCGREEN
    options = [FOITALIC]
    peer = THING1
    sub.INNER.depth = 4
    LINES.strings = ('a')
    items = <ITEM caption = 'c' END>
  END
eNd)");
    TFtThing* thing = Thing(*form, "Thing1");
    ASSERT_NE(thing, nullptr);
    EXPECT_TRUE(thing->Flag());
    EXPECT_EQ(thing->Color(), fcGreen);
    EXPECT_EQ(thing->Options(), TFtOptions{foItalic});
    EXPECT_EQ(thing->Peer(), thing);
    EXPECT_EQ(thing->Sub()->Inner()->Depth(), 4);
    EXPECT_EQ(thing->Lines()->Count(), 1);
    EXPECT_EQ(thing->Items()->Count(), 1);
    EXPECT_TRUE(form->OnShow().Assigned());
}

TEST_F(FormTextRead, AcceptsEveryWayOfWritingNumbersAndStrings)
{
    auto form = Read("object Form1: TFtForm\n"
                     "  object Thing1: TFtThing\n"
                     "    Text = 'a'#13#10'b' + 'c' +\n"
                     "\t'd'#0065#0000000000000000000066\n"
                     "    Tiny = -$80\n"
                     "    Cardinal = $FFFFFFFF\n"
                     "    Long = -0\n"
                     "    Ratio = 25\n"
                     "    Stamp = -1.5E+2\n"
                     "    Lines.Strings = ()\n"
                     "    Items = <>\n"
                     "    Data = {0a 1B\r\n 2c}\n"
                     "    Options = []\n"
                     "    Peer = nil\n"
                     "    OnPing = nil\n"
                     "  end\n"
                     "end");
    TFtThing* thing = Thing(*form, "Thing1");
    EXPECT_EQ(thing->Text(), "a\r\nbcdAB");
    EXPECT_EQ(thing->Tiny(), -128);
    EXPECT_EQ(thing->Cardinal(), 0xFFFFFFFFu);
    EXPECT_EQ(thing->Ratio(), 25.0);
    EXPECT_EQ(static_cast<double>(thing->Stamp()), -150.0);
    EXPECT_EQ(thing->Data(), (TBytes{0x0A, 0x1B, 0x2C}));
    EXPECT_EQ(thing->Peer(), nullptr);
}

// In the system's code page (1252 here; tests/text reads under UTF-8) text is taken byte for byte, and a
// code above 255 is the character of that Unicode code the code page has.
TEST_F(FormTextRead, CodesAboveAByteAreCharactersOfTheCodePage)
{
    auto form = Read("object Form1: TFtForm\n  object Thing1: TFtThing\n    Text = 'caf\xE9 \xC3\xA9'#338#8364#233\n"
                     "  end\nend");
    EXPECT_EQ(Thing(*form, "Thing1")->Text(), "caf\xE9 \xC3\xA9\x8C\x80\xE9");
}

TEST_F(FormTextRead, ListsAndCollectionsAreReplacedNotAppended)
{
    TFtThing thing(nullptr);
    thing.Lines()->Add("old");
    thing.Notes()->Add("old");
    thing.Items()->Add();
    TReader(R"(object Thing: TFtThing
  Lines.Strings = ('new')
  Notes.Strings = ('new')
  Items = <item Caption = 'new' end>
end)").ReadRootComponent(&thing);
    EXPECT_EQ(thing.Lines()->Text(), "new\r\n");
    EXPECT_EQ(thing.Notes()->Text(), "new\r\n");
    ASSERT_EQ(thing.Items()->Count(), 1);
    EXPECT_EQ(static_cast<TFtItem*>(thing.Items()->Items(0))->Caption(), "new");
}

TEST_F(FormTextRead, ReadsIntoARootBuiltByCode)
{
    TFtForm form(nullptr);
    form.SetWidth(77);
    TReader(AllKindsText).ReadRootComponent(&form);
    EXPECT_EQ(form.Name(), "Form1");
    EXPECT_EQ(form.Width(), 400);
    EXPECT_EQ(form.ComponentCount(), 4);
    EXPECT_EQ(Thing(form, "Thing1")->Peer(), Thing(form, "Thing2"));
    EXPECT_FALSE(form.ComponentState().Contains(csLoading));
    EXPECT_EQ(Journal().front(), "Loaded Form1 loading");
    EXPECT_EQ(WriteComponentText(form), AllKindsText);
}

TEST_F(FormTextRead, ReadingIntoARootOfAnotherClassIsAnError)
{
    TFtThing thing(nullptr);
    const int live = GLive;
    try {
        TReader(AllKindsText).ReadRootComponent(&thing);
        FAIL() << "no error";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message(),
                  "Line 1, column 15: expected TFtThing or one of its ancestors but found 'TFtForm'");
    }
    EXPECT_EQ(thing.ComponentCount(), 0);
    EXPECT_EQ(GLive, live);
}

TEST_F(FormTextRead, UnknownRootClassGoesToTheCallersFallback)
{
    const std::string text = "object Main: TNotRegistered\n  Caption = 'generic'\n  OnShow = Whatever\nend\n";
    TReader reader(text);
    std::string askedFor;
    reader.SetOnCreateRoot([&](const std::string& className, TComponent* owner) -> TComponent* {
        askedFor = className;
        return new TFtForm(owner);
    });
    std::vector<std::string> asked;
    reader.SetOnFindMethod([&](TComponent* component, const TPropInfo& event, const std::string& name) {
        asked.push_back(component->Name() + "." + event.Name + "=" + name);
        return TNotifyEvent(static_cast<TFtForm*>(component), &TFtForm::FormShow).Method();
    });
    std::unique_ptr<TComponent> root(reader.ReadComponent(nullptr));
    EXPECT_EQ(askedFor, "TNotRegistered");
    auto* form = root->As<TFtForm>();
    EXPECT_EQ(form->Caption(), "generic");
    EXPECT_EQ(asked, std::vector<std::string>{"Main.OnShow=Whatever"});
    Journal().clear();
    form->OnShow()(form);
    EXPECT_EQ(Journal(), std::vector<std::string>{"FormShow"});
}

TEST_F(FormTextRead, FallbackThatBuildsNothingLeavesTheClassUnknown)
{
    TReader reader("object Main: TNotRegistered\nend\n");
    reader.SetOnCreateRoot([](const std::string&, TComponent*) -> TComponent* { return nullptr; });
    try {
        std::unique_ptr<TComponent> root(reader.ReadComponent(nullptr));
        FAIL() << "no error";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message(), "Line 1, column 14: expected a registered class but found 'TNotRegistered'");
    }
}

// ---------------------------------------------------------------------------------------------------
// Round trip

using FormTextRoundTrip = FormText;

// Compares every published property of two objects, following sub-objects, lists and collections;
// references and handlers by name.
void ExpectSameState(const TObject& a, const TObject& b, const std::string& where)
{
    ASSERT_EQ(a.ClassType(), b.ClassType()) << where;
    for (const TPropInfo* prop : a.ClassType()->AllProperties()) {
        const std::string path = where + "." + prop->Name;
        const TValue va = prop->Get(a);
        const TValue vb = prop->Get(b);
        switch (prop->Kind) {
        case TTypeKind::Class:
            ExpectSameState(*std::get<TObject*>(va), *std::get<TObject*>(vb), path);
            break;
        case TTypeKind::Strings:
            EXPECT_EQ(static_cast<TStrings*>(std::get<TObject*>(va))->Text(),
                      static_cast<TStrings*>(std::get<TObject*>(vb))->Text())
                << path;
            break;
        case TTypeKind::Collection: {
            auto* ca = static_cast<TCollection*>(std::get<TObject*>(va));
            auto* cb = static_cast<TCollection*>(std::get<TObject*>(vb));
            ASSERT_EQ(ca->Count(), cb->Count()) << path;
            for (int i = 0; i < ca->Count(); ++i)
                ExpectSameState(*ca->Items(i), *cb->Items(i), path + "[" + std::to_string(i) + "]");
            break;
        }
        case TTypeKind::Component: {
            auto* ra = static_cast<TComponent*>(std::get<TObject*>(va));
            auto* rb = static_cast<TComponent*>(std::get<TObject*>(vb));
            EXPECT_EQ(ra ? ra->Name() : "nil", rb ? rb->Name() : "nil") << path;
            break;
        }
        case TTypeKind::Method: {
            const TMethod& ma = std::get<TMethod>(va);
            const TMethod& mb = std::get<TMethod>(vb);
            auto name = [](const TMethod& method) -> std::string {
                if (!method.Assigned())
                    return "nil";
                const TMethodInfo* info = method.Data->ClassType()->FindMethod(*method.Data, method);
                return info ? info->Name : "?";
            };
            EXPECT_EQ(name(ma), name(mb)) << path;
            break;
        }
        default:
            EXPECT_TRUE(va == vb) << path;
        }
    }
}

void ExpectSameForm(const TComponent& a, const TComponent& b)
{
    ExpectSameState(a, b, a.Name());
    ASSERT_EQ(a.ComponentCount(), b.ComponentCount());
    for (int i = 0; i < a.ComponentCount(); ++i) {
        EXPECT_EQ(a.Components(i)->Name(), b.Components(i)->Name());
        ExpectSameState(*a.Components(i), *b.Components(i), a.Components(i)->Name());
    }
}

TEST_F(FormTextRoundTrip, EveryPropertyKindRoundTripsToIdenticalText)
{
    auto form = Read(AllKindsText);
    EXPECT_EQ(WriteComponentText(*form), AllKindsText);
}

TEST_F(FormTextRoundTrip, ReadingWhatWasWrittenGivesTheSameState)
{
    auto form = Read(AllKindsText);
    auto copy = Read(WriteComponentText(*form));
    ExpectSameForm(*form, *copy);
}

TEST_F(FormTextRoundTrip, StateBuiltByCodeSurvivesWritingAndReading)
{
    TFtForm form(nullptr);
    form.SetName("Built");
    form.SetOnShow(TNotifyEvent(&form, &TFtForm::FormShow));
    auto* thing = new TFtThing(&form);
    thing->SetName("Thing1");
    thing->SetText(std::string("nul\0byte", 8));
    thing->SetCardinal(123456789);
    thing->SetOptions({foBold, foItalic, foUnderline});
    thing->SetRatio(-1.0 / 7);
    thing->Sub()->SetLevel(-5);
    thing->Sub()->Inner()->SetLabel(std::string(200, '\''));
    thing->SetPeer(thing);
    thing->Notes()->Add("'quoted'");
    auto* item = static_cast<TFtItem*>(thing->Items()->Add());
    item->SetBuddy(thing);
    item->Lines()->Add(std::string(70, '#'));
    thing->SetOnCount(TFtCountEvent(&form, &TFtForm::ThingCount));
    TBytes data;
    for (int i = 0; i < 100; ++i)
        data.push_back(static_cast<unsigned char>(i * 7));
    thing->SetData(data);

    const std::string text = WriteComponentText(form);
    auto copy = Read(text);
    ExpectSameForm(form, *copy);
    EXPECT_EQ(WriteComponentText(*copy), text);
}

// ---------------------------------------------------------------------------------------------------
// Errors: each kind gives its position and message and leaves nothing alive

struct TBadText {
    const char* Name;
    std::string Text;
    int Line;
    int Column;
    std::string Message;
};

std::ostream& operator<<(std::ostream& out, const TBadText& bad)
{
    return out << bad.Name;
}

// A description that has already built a form, a component with a collection item and another
// component when it reaches line 10, where badLine goes.
std::string WithBadLine(std::string_view badLine)
{
    return Lines(R"(object Form1: TFtForm
  Caption = 'x'
  object Made: TFtThing
    Items = <
      item
        Caption = 'i'
      end>
  end
  object Bad: TFtThing
    )") + Lines(badLine) + Lines(R"(
  end
end
)");
}

// The same, cut off after line 10.
std::string CutAfterBadLine(std::string_view badLine)
{
    std::string text = WithBadLine(badLine);
    return text.substr(0, text.find("\r\n  end\r\nend"));
}

const TBadText BadTexts[] = {
    {"MissingEquals", WithBadLine("Text 'x'"), 10, 10,
     "expected '=' but found string 'x'"},
    {"PropertyAfterAChild", Lines("object Form1: TFtForm\n  object A: TFtThing\n  end\n  Width = 3\nend\n"), 4, 3,
     "expected 'object' or 'end' but found 'Width'"},
    {"ValueMissing", WithBadLine("Text = )"), 10, 12,
     "expected a value but found ')'"},
    {"StrayCharacter", WithBadLine("Tag = 4 %"), 10, 13,
     "expected a name, a value or a symbol but found '%'"},
    {"UnterminatedString", WithBadLine("Text = 'x"), 10, 14,
     "expected \"'\" to close the string but found end of line"},
    {"CharacterCodeTooLarge", WithBadLine("Text = #300"), 10, 12,
     "expected a character code from 0 to 255, or of a character of the code page, but found #300"},
    {"CharacterCodeFarTooLarge", WithBadLine("Text = 'a'#0099999999999999999999"), 10, 15,
     "expected a character code from 0 to 255, or of a character of the code page, but found "
     "#0099999999999999999999"},
    {"PlusWithoutString", WithBadLine("Text = 'a' + 5"), 10, 18,
     "expected a string after '+' but found 5"},
    {"NumberTooLarge", WithBadLine("Tag = 99999999999999999999"), 10, 11,
     "expected a number within range but found 99999999999999999999"},
    {"OddHexDigits", WithBadLine("Data = {0A1}"), 10, 12,
     "expected an even number of hex digits but found 3"},
    {"BadHexDigit", WithBadLine("Data = {0A1G}"), 10, 16,
     "expected a hex digit or '}' but found 'G'"},
    {"ListWithoutStrings", WithBadLine("Lines = ('a')"), 10, 5,
     "expected Lines.Strings before a list of strings but found Lines"},
    {"PropertyTwice", WithBadLine("Text = 'x' TEXT = 'y'"), 10, 16,
     "expected each property once but found TEXT again"},
    {"TextAfterTheEnd", Lines("object Form1: TFtForm\nend\nobject"), 3, 1,
     "expected end of file but found 'object'"},
    {"Empty", "", 1, 1,
     "expected 'object' but found end of file"},
    {"TruncatedInABody", CutAfterBadLine("Text = 'x'"), 10, 15,
     "expected a property, 'object' or 'end' but found end of file"},
    {"TruncatedInACollection", CutAfterBadLine("Items = <item Value = 1"), 10, 28,
     "expected a property or 'end' but found end of file"},
    {"TruncatedInAList", CutAfterBadLine("Lines.Strings = ('a'"), 10, 25,
     "expected a string or ')' but found end of file"},
    {"TruncatedInBinary", CutAfterBadLine("Data = {0A"), 10, 15,
     "expected '}' to close the binary data but found end of file"},
    {"TruncatedAfterEquals", CutAfterBadLine("Text ="), 10, 11,
     "expected a value but found end of file"},
    {"UnknownClass", WithBadLine("object Inner: TNoSuch\n    end"), 10, 19,
     "expected a registered class but found 'TNoSuch'"},
    {"NotAComponentClass", WithBadLine("object Inner: TStringList\n    end"), 10, 19,
     "expected a component class but found 'TStringList'"},
    {"UnknownProperty", WithBadLine("Bogus = 1"), 10, 5,
     "expected a property of TFtThing but found 'Bogus'"},
    {"UnknownSubProperty", WithBadLine("Sub.Inner.Bogus = 1"), 10, 15,
     "expected a property of TFtInner but found 'Bogus'"},
    {"PathThroughAPlainValue", WithBadLine("Text.Length = 1"), 10, 10,
     "expected '=' after Text but found '.Length'"},
    {"ValueForASubObject", WithBadLine("Sub = 1"), 10, 5,
     "Sub is a sub-object: expected Sub.<property> = ... but found Sub = 1"},
    {"ReadOnlyProperty", WithBadLine("Version = 3"), 10, 5,
     "expected a property that can be set but found Version, which is read-only"},
    {"StringForInteger", WithBadLine("Tiny = 'abc'"), 10, 12,
     "expected an integer for Tiny but found string 'abc'"},
    {"FloatForInteger", WithBadLine("Tag = 1.5"), 10, 11,
     "expected an integer for Tag but found 1.5"},
    {"IntegerForString", WithBadLine("Text = 5"), 10, 12,
     "expected a string for Text but found 5"},
    {"LongStringForChar", WithBadLine("Letter = 'ab'"), 10, 14,
     "expected a single character for Letter but found string 'ab'"},
    {"NumberForBoolean", WithBadLine("Flag = 1"), 10, 12,
     "expected True or False for Flag but found 1"},
    {"NameForFloat", WithBadLine("Ratio = fcRed"), 10, 13,
     "expected a number for Ratio but found 'fcRed'"},
    {"ListForCollection", WithBadLine("Items.Strings = ('a')"), 10, 21,
     "expected a collection for Items but found a list of strings"},
    {"ValueForAList", WithBadLine("Lines.Strings = 'a'"), 10, 11,
     "expected '=' after Lines but found '.Strings'"},
    {"StringForBinary", WithBadLine("Data = '0A'"), 10, 12,
     "expected binary data for Data but found string '0A'"},
    {"WrongKindInAnItem", WithBadLine("Items = <item Caption = 5 end>"), 10, 29,
     "expected a string for Items[0].Caption but found 5"},
    {"Int8OutOfRange", WithBadLine("Tiny = 128"), 10, 12,
     "expected an integer from -128 to 127 for Tiny but found 128"},
    {"UInt8OutOfRange", WithBadLine("Byte = $100"), 10, 12,
     "expected an integer from 0 to 255 for Byte but found 256"},
    {"Int16OutOfRange", WithBadLine("Short = -32769"), 10, 13,
     "expected an integer from -32768 to 32767 for Short but found -32769"},
    {"UInt16OutOfRange", WithBadLine("Word = 65536"), 10, 12,
     "expected an integer from 0 to 65535 for Word but found 65536"},
    {"Int32OutOfRange", WithBadLine("Long = 2147483648"), 10, 12,
     "expected an integer from -2147483648 to 2147483647 for Long but found 2147483648"},
    {"UInt32OutOfRange", WithBadLine("Cardinal = -1"), 10, 16,
     "expected an integer from 0 to 4294967295 for Cardinal but found -1"},
    {"SubObjectIntegerOutOfRange", WithBadLine("Sub.Level = 40000"), 10, 17,
     "expected an integer from -32768 to 32767 for Sub.Level but found 40000"},
    {"UnknownEnumValue", WithBadLine("Color = fcPurple"), 10, 13,
     "expected one of fcRed, fcGreen, fcBlue for Color but found 'fcPurple'"},
    {"UnknownSetElement", WithBadLine("Options = [foBold, foStrike]"), 10, 24,
     "expected one of foBold, foItalic, foUnderline for Options but found 'foStrike'"},
    {"UnresolvedReference", WithBadLine("Peer = Nobody"), 10, 12,
     "expected a component of Form1 for Peer but found 'Nobody'"},
    {"UnresolvedReferenceInAnItem", WithBadLine("Items = <item Buddy = Nobody end>"), 10, 27,
     "expected a component of Form1 for Items[0].Buddy but found 'Nobody'"},
    {"ReferenceOfTheWrongClass", WithBadLine("Peer = Form1"), 10, 12,
     "expected a TFtThing for Peer but found 'Form1', a TFtForm"},
    {"UnknownMethod", WithBadLine("OnPing = NoSuchMethod"), 10, 14,
     "expected a published method of TFtForm for OnPing but found 'NoSuchMethod'"},
    {"MethodOfAnotherSignature", WithBadLine("OnPing = ThingCount"), 10, 14,
     "expected a method of type TNotifyEvent for OnPing but found 'ThingCount', which takes other parameters"},
    {"DuplicateComponentName", WithBadLine("object Made: TFtThing\n    end"), 10, 12,
     "cannot name the TFtThing: A component named Made already exists"},
    {"DesignLeftNotAnInteger", WithBadLine("Left = 1.5"), 10, 12,
     "expected an integer from -2147483648 to 2147483647 for Bad.Left but found 1.5"},
    {"DesignTopOutOfRange", WithBadLine("Top = 2147483648"), 10, 11,
     "expected an integer from -2147483648 to 2147483647 for Bad.Top but found 2147483648"},
    {"DesignLeftTwice", WithBadLine("Left = 1 LEFT = 2"), 10, 14,
     "expected each property once but found LEFT again"},
    {"LettersAfterANumber", WithBadLine("Tag = 10px"), 10, 11,
     "expected a number but found 10px"},
    {"LettersAfterAHexNumber", WithBadLine("Tag = $1FG"), 10, 11,
     "expected a number but found $1FG"},
};

class FormTextErrors : public FormText, public testing::WithParamInterface<TBadText> {};

TEST_P(FormTextErrors, ReadingANewRootGivesThePositionAndLeavesNothingAlive)
{
    const TBadText& bad = GetParam();
    try {
        std::unique_ptr<TComponent> root(TReader(bad.Text).ReadComponent(nullptr));
        FAIL() << "no error";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Line(), bad.Line);
        EXPECT_EQ(error.Column(), bad.Column);
        EXPECT_EQ(error.Message(), "Line " + std::to_string(bad.Line) + ", column " + std::to_string(bad.Column) +
                                       ": " + bad.Message);
    }
    EXPECT_EQ(GLive, 0);
}

TEST_P(FormTextErrors, ReadingIntoARootKeepsItAndDestroysWhatTheReadCreated)
{
    const TBadText& bad = GetParam();
    TFtForm form(nullptr);
    auto* byCode = new TFtThing(&form);
    byCode->SetName("ByCode");
    const int live = GLive;
    EXPECT_THROW(TReader(bad.Text).ReadRootComponent(&form), EReadError);
    EXPECT_EQ(GLive, live) << "only the form and its component built by code";
    ASSERT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(form.Components(0), byCode);
    EXPECT_FALSE(form.ComponentState().Contains(csLoading));
}

INSTANTIATE_TEST_SUITE_P(EachKind, FormTextErrors, testing::ValuesIn(BadTexts),
                         [](const testing::TestParamInfo<TBadText>& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------------------------------------------
// Exceptions of component code: they reach the caller as raised, the reader tells where

struct TComponentFailure {
    const char* Name;
    std::string Text;
    std::string Context;
    std::string Message;
    // Rethrows the exception being handled and tells whether it is of the expected class.
    bool (*IsExpectedClass)();
};

std::ostream& operator<<(std::ostream& out, const TComponentFailure& failure)
{
    return out << failure.Name;
}

template <class E>
bool Raises()
{
    try {
        throw;
    } catch (const E&) {
        return true;
    } catch (...) {
        return false;
    }
}

const TComponentFailure ComponentFailures[] = {
    {"SetterRaises", WithBadLine("Explode = True"), "Line 10, column 15: cannot set Explode", "boom",
     &Raises<EConvertError>},
    {"LoadedRaises", WithBadLine("FailLoaded = True"), "Line 9, column 3: Loaded failed for Bad", "loaded boom",
     &Raises<EConvertError>},
    {"ConstructorRaises", WithBadLine("object Inner: TFtFailing\n    end"),
     "Line 10, column 19: cannot create a TFtFailing", "no room", &Raises<EOutOfResources>},
};

class FormTextComponentFailures : public FormText, public testing::WithParamInterface<TComponentFailure> {};

TEST_P(FormTextComponentFailures, ReadingANewRootPassesTheExceptionOnAndLeavesNothingAlive)
{
    const TComponentFailure& failure = GetParam();
    TReader reader(failure.Text);
    try {
        std::unique_ptr<TComponent> root(reader.ReadComponent(nullptr));
        FAIL() << "no error";
    } catch (const EReadError& error) {
        FAIL() << "wrapped as a read error: " << error.Message();
    } catch (const Exception& error) {
        EXPECT_TRUE(failure.IsExpectedClass());
        EXPECT_EQ(error.Message(), failure.Message);
    }
    EXPECT_EQ(reader.ErrorContext(), failure.Context);
    EXPECT_EQ(GLive, 0);
}

TEST_P(FormTextComponentFailures, ReadingIntoARootKeepsItAndDestroysWhatTheReadCreated)
{
    const TComponentFailure& failure = GetParam();
    TFtForm form(nullptr);
    const int live = GLive;
    TReader reader(failure.Text);
    try {
        reader.ReadRootComponent(&form);
        FAIL() << "no error";
    } catch (...) {
        EXPECT_TRUE(failure.IsExpectedClass());
    }
    EXPECT_EQ(reader.ErrorContext(), failure.Context);
    EXPECT_EQ(GLive, live);
    EXPECT_EQ(form.ComponentCount(), 0);
    EXPECT_FALSE(form.ComponentState().Contains(csLoading));
}

INSTANTIATE_TEST_SUITE_P(EachKind, FormTextComponentFailures, testing::ValuesIn(ComponentFailures),
                         [](const testing::TestParamInfo<TComponentFailure>& info) {
                             return std::string(info.param.Name);
                         });

TEST_F(FormText, ARootThatCannotBeBuiltPassesItsExceptionOn)
{
    TReader reader("object Main: TFtFailing\nend\n");
    EXPECT_THROW(std::unique_ptr<TComponent>(reader.ReadComponent(nullptr)), EOutOfResources);
    EXPECT_EQ(reader.ErrorContext(), "Line 1, column 14: cannot create a TFtFailing");
    EXPECT_EQ(GLive, 0);

    // The reader's own handlers are caller code too.
    TReader failingFallback("object Main: TNotRegistered\nend\n");
    failingFallback.SetOnCreateRoot(
        [](const std::string&, TComponent*) -> TComponent* { throw EInvalidOperation("not now"); });
    EXPECT_THROW(std::unique_ptr<TComponent>(failingFallback.ReadComponent(nullptr)), EInvalidOperation);
    EXPECT_EQ(failingFallback.ErrorContext(), "Line 1, column 14: cannot create a TNotRegistered");

    // A later read that fails on the text has no context of component code.
    TFtForm form(nullptr);
    EXPECT_THROW(reader.ReadRootComponent(&form), EReadError);
    EXPECT_EQ(reader.ErrorContext(), "");
}

TEST_F(FormText, ARootOfAClassOtherThanTheOneAskedForIsRefusedWhereItIsNamed)
{
    TReader reader("object Main: TFtThing\nend\n");
    reader.SetRootClass(TFtForm::StaticClass());
    try {
        std::unique_ptr<TComponent> root(reader.ReadComponent(nullptr));
        FAIL() << "no error";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message(), "Line 1, column 14: expected a TFtForm but found 'TFtThing'");
    }
    TReader fallback("object Main: TNotRegistered\nend\n");
    fallback.SetRootClass(TFtForm::StaticClass());
    fallback.SetOnCreateRoot([](const std::string&, TComponent* owner) -> TComponent* { return new TFtThing(owner); });
    try {
        std::unique_ptr<TComponent> root(fallback.ReadComponent(nullptr));
        FAIL() << "no error";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message(), "Line 1, column 14: expected a TFtForm but found 'TNotRegistered'");
    }
    EXPECT_EQ(GLive, 0);
}

TEST_F(FormText, UnknownRootClassIsAnErrorWithoutAFallback)
{
    try {
        std::unique_ptr<TComponent> root(
            TReader("object Form1: TNoSuchForm\n  object A: TFtThing\n  end\nend\n").ReadComponent(nullptr));
        FAIL() << "no error";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message(), "Line 1, column 15: expected a registered class but found 'TNoSuchForm'");
    }
}

TEST_F(FormText, NestingDeeperThanTheLimitIsRefusedBeforeAnythingIsBuilt)
{
    std::string text;
    for (int depth = 0; depth < 101; ++depth)
        text += "object TFtPanel\n";
    for (int depth = 0; depth < 101; ++depth)
        text += "end\n";
    try {
        std::unique_ptr<TComponent> root(TReader(text).ReadComponent(nullptr));
        FAIL() << "no error";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Line(), 101);
        EXPECT_NE(error.Message().find("at most 100 levels"), std::string::npos) << error.Message();
    }
    EXPECT_EQ(GLive, 0);
}

} // namespace
