// The designer's side of the framework: which editor a property gets (named over typed, derived over
// base, later over earlier, each type on its own), the text the standard editors show and take for
// every kind of property, what a selection of several components shares, the string list editor
// answered as a user would, and the palette.
#include "framework/DesignEditors.h"

#include "framework/Collection.h"
#include "framework/DateTime.h"
#include "framework/FormText.h"
#include "framework/StringList.h"

#include "tests/framework/WindowTesting.h"
#include "tests/support/ErrorMessage.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace WindowTesting;

namespace {

enum TDsgColour : std::uint8_t { dcRed, dcGreen, dcBlue };
inline const TEnumInfo& EnumTypeInfo(TDsgColour)
{
    static const TEnumInfo info{"TDsgColour", {"dcRed", "dcGreen", "dcBlue"}};
    return info;
}
using TDsgColours = TSet<TDsgColour>;

// A sub-object published by TDsgAll.
class TDsgPart : public TPersistent {
    QEL_CLASS(TDsgPart)
public:
    int Size() const noexcept { return FSize; }
    void SetSize(int size) { FSize = size; }

private:
    int FSize = 3;
};

class TDsgItem : public TCollectionItem {
    QEL_CLASS(TDsgItem)
public:
    using TCollectionItem::TCollectionItem;
    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& caption) { FCaption = caption; }
    std::string GetDisplayName() const override { return "Item " + FCaption; }

private:
    std::string FCaption;
};

// A property of every kind, and integers of several widths.
class TDsgAll : public TComponent {
    QEL_CLASS(TDsgAll)
public:
    explicit TDsgAll(TComponent* owner)
        : TComponent(owner), FPart(std::make_unique<TDsgPart>()), FLines(std::make_unique<TStringList>()),
          FItems(std::make_unique<TCollection>(TDsgItem::StaticClass()))
    {
    }

    const std::string& Text() const noexcept { return FText; }
    void SetText(const std::string& text) { FText = text; }
    char Letter() const noexcept { return FLetter; }
    void SetLetter(char letter) { FLetter = letter; }
    int Count() const noexcept { return FCount; }
    void SetCount(int count) { FCount = count; }
    short Small() const noexcept { return FSmall; }
    void SetSmall(short small) { FSmall = small; }
    unsigned Wide() const noexcept { return FWide; }
    void SetWide(unsigned wide) { FWide = wide; }
    bool Flag() const noexcept { return FFlag; }
    void SetFlag(bool flag) { FFlag = flag; }
    TDsgColour Colour() const noexcept { return FColour; }
    void SetColour(TDsgColour colour) { FColour = colour; }
    TDsgColours Colours() const noexcept { return FColours; }
    void SetColours(TDsgColours colours) { FColours = colours; }
    double Ratio() const noexcept { return FRatio; }
    void SetRatio(double ratio) { FRatio = ratio; }
    TDateTime When() const noexcept { return FWhen; }
    void SetWhen(TDateTime when) { FWhen = when; }
    TDsgPart* Part() const noexcept { return FPart.get(); }
    TComponent* Buddy() const noexcept { return FBuddy; }
    void SetBuddy(TComponent* buddy) { FBuddy = buddy; }
    TStrings* Lines() const noexcept { return FLines.get(); }
    TCollection* Items() const noexcept { return FItems.get(); }
    const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
    void SetOnChange(const TNotifyEvent& event) { FOnChange = event; }
    const TBytes& Data() const noexcept { return FData; }
    void SetData(const TBytes& data) { FData = data; }

private:
    std::string FText = "hello";
    char FLetter = 'q';
    int FCount = 7;
    short FSmall = -2;
    unsigned FWide = 4000000000u;
    bool FFlag = true;
    TDsgColour FColour = dcGreen;
    TDsgColours FColours{dcRed, dcBlue};
    double FRatio = 1.5;
    TDateTime FWhen = EncodeDate(2001, 2, 3);
    std::unique_ptr<TDsgPart> FPart;
    TComponent* FBuddy = nullptr;
    std::unique_ptr<TStringList> FLines;
    std::unique_ptr<TCollection> FItems;
    TNotifyEvent FOnChange;
    TBytes FData{1, 2, 0xAB};
};

QEL_CLASS_INFO(TDsgPart, TPersistent)
{
    return {Prop("Size", &TDsgPart::Size, &TDsgPart::SetSize)};
}

QEL_CLASS_INFO(TDsgItem, TCollectionItem)
{
    return {Prop("Caption", &TDsgItem::Caption, &TDsgItem::SetCaption)};
}

QEL_CLASS_INFO(TDsgAll, TComponent)
{
    using C = TDsgAll;
    return {
        Prop("Text", &C::Text, &C::SetText),       Prop("Letter", &C::Letter, &C::SetLetter),
        Prop("Count", &C::Count, &C::SetCount),    Prop("Small", &C::Small, &C::SetSmall),
        Prop("Wide", &C::Wide, &C::SetWide),       Prop("Flag", &C::Flag, &C::SetFlag),
        Prop("Colour", &C::Colour, &C::SetColour), Prop("Colours", &C::Colours, &C::SetColours),
        Prop("Ratio", &C::Ratio, &C::SetRatio),    Prop("When", &C::When, &C::SetWhen),
        Prop("Part", &C::Part),                    Prop("Buddy", &C::Buddy, &C::SetBuddy),
        Prop("Lines", &C::Lines),                  Prop("Items", &C::Items),
        Prop("OnChange", &C::OnChange, &C::SetOnChange), Prop("Data", &C::Data, &C::SetData),
    };
}

// Handlers made by the test designer: each one counts its calls.
class TDsgHandler : public TEventSink {
public:
    explicit TDsgHandler(std::string name) : Name(std::move(name)) {}
    void EventFired(const std::vector<std::string>&) override { ++Calls; }
    std::string Name;
    int Calls = 0;
};

class TTestDesigner : public TFormDesigner {
public:
    explicit TTestDesigner(TComponent* root) : FRoot(root) {}
    TComponent* Root() const override { return FRoot; }
    std::string GetMethodName(const TMethod& method) const override
    {
        for (const auto& handler : FHandlers)
            if (method.Data == handler.get())
                return handler->Name;
        return {};
    }
    TMethod CreateMethod(const std::string& name, const TEventTypeInfo& type) override
    {
        for (const auto& handler : FHandlers)
            if (handler->Name == name)
                return type.MakeGeneric(handler.get());
        FHandlers.push_back(std::make_unique<TDsgHandler>(name));
        return type.MakeGeneric(FHandlers.back().get());
    }
    TDsgHandler& Handler(std::size_t index) { return *FHandlers.at(index); }

private:
    TComponent* FRoot;
    std::vector<std::unique_ptr<TDsgHandler>> FHandlers;
};

// A form with two TDsgAll components, and the editors of the first.
class DesignEditors : public ::testing::Test {
protected:
    DesignEditors()
    {
        Root.SetName("Root");
        First->SetName("First");
        Second->SetName("Second");
    }

    std::unique_ptr<TPropertyEditor> EditorOf(TPersistent* object, const std::string& name)
    {
        const TPropInfo* prop = object->ClassType()->FindProperty(name);
        return CreatePropertyEditor(GetEditorClass(object->ClassType(), *prop), Designer, {object}, *prop);
    }
    std::unique_ptr<TPropertyEditor> Editor(const std::string& name) { return EditorOf(First, name); }
    std::string ValueOf(const std::string& name) { return Editor(name)->GetValue(); }
    // Sets the property from text and gives the error message, empty when it was taken.
    std::string Set(const std::string& name, const std::string& text)
    {
        return ErrorMessageOf<EPropertyError>([&] { Editor(name)->SetValue(text); });
    }

    TComponent Root{nullptr};
    TDsgAll* First = new TDsgAll(&Root);
    TDsgAll* Second = new TDsgAll(&Root);
    TTestDesigner Designer{&Root};
};

TEST_F(DesignEditors, EveryKindGetsAnEditorOfItsOwn)
{
    const std::vector<std::pair<std::string, std::string>> expected{
        {"Name", "TComponentNameProperty"}, {"Tag", "TIntegerProperty"},   {"Text", "TStringProperty"},
        {"Letter", "TCharProperty"},        {"Count", "TIntegerProperty"}, {"Small", "TIntegerProperty"},
        {"Wide", "TIntegerProperty"},       {"Flag", "TBoolProperty"},     {"Colour", "TEnumProperty"},
        {"Colours", "TSetProperty"},        {"Ratio", "TFloatProperty"},   {"When", "TDateTimeProperty"},
        {"Part", "TClassProperty"},         {"Buddy", "TComponentProperty"}, {"Lines", "TStringListProperty"},
        {"Items", "TCollectionProperty"},   {"OnChange", "TMethodProperty"}, {"Data", "TBinaryProperty"},
    };
    const TPropertyEditors editors = GetComponentProperties({First}, Designer);
    ASSERT_EQ(editors.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(editors[i]->GetName(), expected[i].first);
        EXPECT_EQ(editors[i]->ClassName(), expected[i].second) << expected[i].first;
    }
}

TEST_F(DesignEditors, ShowTheValueOfEveryKindAsText)
{
    First->SetBuddy(Second);
    Designer.CreateMethod("FirstChange", EventTypeInfoOf<TNotifyEvent>());
    Editor("OnChange")->SetValue("FirstChange");
    const std::vector<std::pair<std::string, std::string>> expected{
        {"Name", "First"}, {"Text", "hello"}, {"Letter", "q"}, {"Count", "7"}, {"Small", "-2"},
        {"Wide", "4000000000"}, {"Flag", "True"}, {"Colour", "dcGreen"}, {"Colours", "[dcRed,dcBlue]"},
        {"Ratio", "1.5"}, {"When", DateTimeToStr(EncodeDate(2001, 2, 3))}, {"Part", "(TDsgPart)"},
        {"Buddy", "Second"}, {"Lines", "(TStrings)"}, {"Items", "(TCollection)"}, {"OnChange", "FirstChange"},
        {"Data", "(3 bytes)"},
    };
    for (const auto& [name, text] : expected)
        EXPECT_EQ(ValueOf(name), text) << name;
    First->SetLetter('\t');
    First->SetFlag(false);
    First->SetBuddy(nullptr);
    EXPECT_EQ(ValueOf("Letter"), "#9");
    EXPECT_EQ(ValueOf("Flag"), "False");
    EXPECT_EQ(ValueOf("Buddy"), "");
}

TEST_F(DesignEditors, TakeTheTextOfEveryKindBackOnEverySelectedComponent)
{
    auto both = [&](const std::string& name) {
        const TPropInfo* prop = TDsgAll::StaticClass()->FindProperty(name);
        return CreatePropertyEditor(GetEditorClass(TDsgAll::StaticClass(), *prop), Designer, {First, Second}, *prop);
    };
    both("Text")->SetValue("changed");
    both("Count")->SetValue("$10");
    both("Small")->SetValue("-32768");
    both("Wide")->SetValue("4294967295");
    both("Letter")->SetValue("#65");
    both("Flag")->SetValue("false");
    both("Colour")->SetValue("DCBLUE");
    both("Colours")->SetValue("[ dcGreen , dcBlue ]");
    both("Ratio")->SetValue("-2.25e3");
    both("When")->SetValue(DateTimeToStr(EncodeDate(1999, 12, 31)));
    both("Buddy")->SetValue("Root");
    both("Data")->SetValue("00 ff 10");
    for (TDsgAll* component : {First, Second}) {
        EXPECT_EQ(component->Text(), "changed");
        EXPECT_EQ(component->Count(), 16);
        EXPECT_EQ(component->Small(), -32768);
        EXPECT_EQ(component->Wide(), 4294967295u);
        EXPECT_EQ(component->Letter(), 'A');
        EXPECT_FALSE(component->Flag());
        EXPECT_EQ(component->Colour(), dcBlue);
        EXPECT_EQ(component->Colours(), (TDsgColours{dcGreen, dcBlue}));
        EXPECT_EQ(component->Ratio(), -2250.0);
        EXPECT_EQ(static_cast<double>(component->When()), static_cast<double>(EncodeDate(1999, 12, 31)));
        EXPECT_EQ(component->Buddy(), &Root);
        EXPECT_EQ(component->Data(), (TBytes{0, 0xFF, 0x10}));
    }
    both("Colours")->SetValue("[]");
    both("Buddy")->SetValue("");
    EXPECT_TRUE(Second->Colours().Empty());
    EXPECT_EQ(Second->Buddy(), nullptr);
}

TEST_F(DesignEditors, RefuseTextThatIsNoValueOfTheTypeAndKeepTheValue)
{
    EXPECT_EQ(Set("Count", "seven"), "'seven' is not a valid integer value");
    EXPECT_EQ(Set("Count", "2147483648"), "Value must be between -2147483648 and 2147483647");
    EXPECT_EQ(Set("Small", "40000"), "Value must be between -32768 and 32767");
    EXPECT_EQ(Set("Wide", "-1"), "Value must be between 0 and 4294967295");
    EXPECT_EQ(Set("Wide", "99999999999999999999"), "'99999999999999999999' is not a valid integer value");
    EXPECT_EQ(Set("Letter", "ab"), "'ab' is not a character: give one character, or # and a code from 0 to 255");
    EXPECT_EQ(Set("Letter", "#256"), "'#256' is not a character: give one character, or # and a code from 0 to 255");
    EXPECT_EQ(Set("Flag", "yes"), "'yes' is not True or False");
    EXPECT_EQ(Set("Colour", "dcPink"), "'dcPink' is not a value of TDsgColour");
    EXPECT_EQ(Set("Colours", "dcRed"), "'dcRed' is not a set: give value names between brackets, separated by commas");
    EXPECT_EQ(Set("Colours", "[dcRed,dcPink]"), "'dcPink' is not a value of TDsgColour");
    EXPECT_EQ(Set("Ratio", "1.5x"), "'1.5x' is not a valid floating point value");
    EXPECT_EQ(Set("Buddy", "Nobody"), "'Nobody' is not a component of Root");
    EXPECT_EQ(Set("OnChange", "1st"), "'1st' is not a valid method name");
    EXPECT_EQ(Set("Data", "abc"), "'abc' is not hexadecimal digits: give two for each byte");
    EXPECT_EQ(Set("Data", "zz"), "'zz' is not hexadecimal digits");
    EXPECT_EQ(Set("Part", "x"), "The Part property cannot be set as text");
    EXPECT_EQ(First->Count(), 7);
    EXPECT_EQ(First->Small(), -2);
    EXPECT_EQ(First->Wide(), 4000000000u);
    EXPECT_EQ(First->Letter(), 'q');
    EXPECT_TRUE(First->Flag());
    EXPECT_EQ(First->Colours(), (TDsgColours{dcRed, dcBlue}));
    EXPECT_EQ(First->Data(), (TBytes{1, 2, 0xAB}));
}

TEST_F(DesignEditors, AttributesAndValueListsFollowTheKind)
{
    auto bits = [&](const std::string& name) { return Editor(name)->GetAttributes().Bits(); };
    EXPECT_EQ(bits("Text"), 0x08u) << "the base editor's attributes: paMultiSelect";
    EXPECT_EQ(bits("Name"), 0x00u) << "names are unique: never on several components";
    EXPECT_EQ(bits("Colour"), 0x29u);
    EXPECT_EQ(bits("Flag"), 0x29u);
    EXPECT_EQ(bits("Buddy"), 0x29u);
    EXPECT_EQ(bits("OnChange"), 0x29u);
    EXPECT_EQ(bits("Part"), 0x4Au);
    EXPECT_EQ(bits("Lines"), 0x4Cu);
    EXPECT_EQ(bits("Items"), 0x42u);
    EXPECT_EQ(Editor("Colour")->GetValues(), (std::vector<std::string>{"dcRed", "dcGreen", "dcBlue"}));
    EXPECT_EQ(Editor("Flag")->GetValues(), (std::vector<std::string>{"False", "True"}));
    auto* other = new TComponent(&Root);
    other->SetName("Plain");
    // The references offered are those of the property's class: every component here, the form too.
    EXPECT_EQ(Editor("Buddy")->GetValues(), (std::vector<std::string>{"Root", "First", "Second", "Plain"}));
}

TEST_F(DesignEditors, AnEventNamesItsHandlerAndEmptyTextDetachesIt)
{
    Editor("OnChange")->SetValue("ItChanged");
    First->OnChange()(First);
    EXPECT_EQ(Designer.Handler(0).Calls, 1);
    EXPECT_EQ(ValueOf("OnChange"), "ItChanged");
    Editor("OnChange")->SetValue("");
    EXPECT_FALSE(First->OnChange().Assigned());
    EXPECT_EQ(ValueOf("OnChange"), "");
}

TEST_F(DesignEditors, ASubObjectIsEditedThroughItsOwnProperties)
{
    const TPropertyEditors parts = Editor("Part")->GetProperties();
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0]->GetName(), "Size");
    EXPECT_EQ(parts[0]->GetValue(), "3");
    parts[0]->SetValue("12");
    EXPECT_EQ(First->Part()->Size(), 12);
}

TEST_F(DesignEditors, ACollectionListsItsItemsWithTheirProperties)
{
    static_cast<TDsgItem*>(First->Items()->Add())->SetCaption("one");
    static_cast<TDsgItem*>(First->Items()->Add())->SetCaption("two");
    const TPropertyEditors items = Editor("Items")->GetProperties();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1]->GetName(), "[1]");
    EXPECT_EQ(items[1]->GetValue(), "Item two");
    EXPECT_EQ(items[1]->GetAttributes().Bits(), 0x4Au);
    const TPropertyEditors parts = items[1]->GetProperties();
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0]->GetName(), "Caption");
    parts[0]->SetValue("zwei");
    EXPECT_EQ(static_cast<TDsgItem*>(First->Items()->GetItem(1))->Caption(), "zwei");
}

TEST_F(DesignEditors, ASelectionSharesThePropertiesItsEditorsAllowOnSeveral)
{
    auto* plain = new TComponent(&Root);
    std::vector<std::string> names;
    for (const auto& editor : GetComponentProperties({First, plain}, Designer))
        names.push_back(editor->GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"Tag"})) << "Name is never shared";

    names.clear();
    for (const auto& editor : GetComponentProperties({First, Second}, Designer))
        names.push_back(editor->GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"Tag", "Text", "Letter", "Count", "Small", "Wide", "Flag", "Colour",
                                               "Colours", "Ratio", "When", "Part", "Buddy", "Lines", "OnChange",
                                               "Data"}))
        << "a collection is edited on one component at a time";
}

TEST_F(DesignEditors, AllEqualComparesEverySelectedValue)
{
    const TPropInfo* count = TDsgAll::StaticClass()->FindProperty("Count");
    const TPropInfo* text = TDsgAll::StaticClass()->FindProperty("Text");
    const TPropInfo* part = TDsgAll::StaticClass()->FindProperty("Part");
    auto editor = [&](const TPropInfo* prop) {
        return CreatePropertyEditor(GetEditorClass(TDsgAll::StaticClass(), *prop), Designer, {First, Second}, *prop);
    };
    EXPECT_TRUE(editor(count)->AllEqual());
    EXPECT_TRUE(editor(text)->AllEqual());
    EXPECT_TRUE(editor(part)->AllEqual()) << "sub-objects of one class";
    Second->SetCount(8);
    Second->SetText("other");
    EXPECT_FALSE(editor(count)->AllEqual());
    EXPECT_FALSE(editor(text)->AllEqual());
    EXPECT_EQ(editor(count)->GetComponent(1), Second);
    EXPECT_EQ(ErrorMessageOf<EListError>([&] { editor(count)->GetComponent(2); }), "List index out of bounds (2)");
}

TEST_F(DesignEditors, TheStringListEditorReplacesTheLinesOfEverySelectedComponentOnOK)
{
    First->Lines()->SetText("alpha\r\nbeta");
    const TPropInfo* lines = TDsgAll::StaticClass()->FindProperty("Lines");
    auto editor = CreatePropertyEditor(GetEditorClass(TDsgAll::StaticClass(), *lines), Designer, {First, Second}, *lines);
    std::string offered;
    TUserAction user([&] {
        HWND dialog = FindThreadWindow("TForm", "String list editor");
        HWND edit = dialog ? FindWindowExA(dialog, nullptr, "Edit", nullptr) : nullptr;
        if (!edit)
            return false;
        offered = WindowText(edit);
        SetWindowTextA(edit, "one\r\ntwo\r\nthree");
        return PressButton("TForm", "String list editor", "OK");
    });
    editor->Edit();
    EXPECT_EQ(offered, "alpha\r\nbeta\r\n");
    for (TDsgAll* component : {First, Second}) {
        ASSERT_EQ(component->Lines()->Count(), 3);
        EXPECT_EQ(component->Lines()->Get(2), "three");
    }
}

TEST_F(DesignEditors, TheStringListEditorKeepsTheLinesOnCancel)
{
    First->Lines()->SetText("alpha");
    TUserAction user([&] {
        HWND dialog = FindThreadWindow("TForm", "String list editor");
        HWND edit = dialog ? FindChild(dialog, "alpha\r\n") : nullptr;
        if (!edit)
            return false;
        SetWindowTextA(edit, "gone");
        return PressButton("TForm", "String list editor", "Cancel");
    });
    Editor("Lines")->Edit();
    EXPECT_TRUE(user.Done());
    ASSERT_EQ(First->Lines()->Count(), 1);
    EXPECT_EQ(First->Lines()->Get(0), "alpha");
}

TEST(DesignTypeNames, NameEachTypeAsTheDesignerDoes)
{
    std::vector<std::string> names;
    for (const TPropInfo* prop : TDsgAll::StaticClass()->AllProperties())
        names.push_back(prop->TypeName());
    EXPECT_EQ(names, (std::vector<std::string>{"string", "Integer", "string", "Char", "Integer", "SmallInt",
                                               "Cardinal", "Boolean", "TDsgColour", "set of TDsgColour", "Double",
                                               "TDateTime", "TDsgPart", "TComponent", "TStrings", "TCollection",
                                               "TNotifyEvent", "TBytes"}));
}

// An enumeration whose set type has a name of its own, an integer type with a name of its own, an event
// with parameters by value and by reference, and public operations.
enum TDsgShape : std::uint8_t { dsRound, dsSquare };
inline const TEnumInfo& EnumTypeInfo(TDsgShape)
{
    static const TEnumInfo info{"TDsgShape", {"dsRound", "dsSquare"}, "TDsgShapes"};
    return info;
}
using TDsgShapes = TSet<TDsgShape>;

enum TDsgShade : std::int32_t {};
inline std::string_view TypeName(const TDsgShade*)
{
    return "TDsgShade";
}

struct TDsgDrawEvent : TEvent<TObject*, int&, const std::string&, TDsgShapes, TDsgShade> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TDsgDrawEvent";
    static constexpr std::array<std::string_view, 5> ParamNames{"Sender", "Count", "Text", "Shapes", "Shade"};
};

class TDsgNamed : public TComponent {
    QEL_CLASS(TDsgNamed)
public:
    using TComponent::TComponent;
    TDsgShapes Shapes() const noexcept { return FShapes; }
    void SetShapes(TDsgShapes shapes) { FShapes = shapes; }
    TDsgShade Shade() const noexcept { return FShade; }
    void SetShade(TDsgShade shade) { FShade = shade; }
    const TDsgDrawEvent& OnDraw() const noexcept { return FOnDraw; }
    void SetOnDraw(const TDsgDrawEvent& event) { FOnDraw = event; }
    void Draw(int times) { (void)times; }
    static int Sides() { return 4; }

private:
    TDsgShapes FShapes;
    TDsgShade FShade = TDsgShade(0x123456);
    TDsgDrawEvent FOnDraw;
};

QEL_CLASS_INFO(TDsgNamed, TComponent)
{
    using C = TDsgNamed;
    return {
        Prop("Shapes", &C::Shapes, &C::SetShapes),
        Prop("Shade", &C::Shade, &C::SetShade).Default(TDsgShade(0x123456)),
        Prop("OnDraw", &C::OnDraw, &C::SetOnDraw),
    };
}

QEL_OPERATIONS(TDsgNamed)
{
    using C = TDsgNamed;
    return {
        Operation(&C::Draw, "Draw(Times)", "draws Times times"),
        Operation(&C::Sides, "Sides()", "how many sides"),
    };
}

TEST(DesignTypeNames, NameSetTypesIntegerTypesOfTheirOwnAndEventParameters)
{
    const TClass cls = TDsgNamed::StaticClass();
    EXPECT_EQ(cls->FindProperty("Shapes")->TypeName(), "TDsgShapes");
    const TPropInfo* shade = cls->FindProperty("Shade");
    EXPECT_EQ(shade->TypeName(), "TDsgShade");
    EXPECT_EQ(shade->Kind, TTypeKind::Integer) << "published and streamed as an integer";
    EXPECT_EQ(shade->Min, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(shade->Max, std::numeric_limits<std::int32_t>::max());
    TDsgNamed named(nullptr);
    named.SetName("Named");
    named.SetShade(TDsgShade(255));
    EXPECT_NE(WriteComponentText(named).find("  Shade = 255\r\n"), std::string::npos) << WriteComponentText(named);

    const TEventTypeInfo& draw = *cls->FindProperty("OnDraw")->Event;
    std::vector<std::string> types;
    for (auto type : draw.ParamTypes)
        types.push_back(type());
    EXPECT_EQ(types, (std::vector<std::string>{"TObject", "Integer", "string", "TDsgShapes", "TDsgShade"}));
    EXPECT_EQ(draw.ParamByReference, (std::vector<bool>{false, true, false, false, false}))
        << "a reference to const is a value the handler cannot change";
}

TEST(DesignTypeNames, AClassListsItsOwnPublicOperations)
{
    const TOperationList operations = ClassOperations(TDsgNamed::StaticClass());
    ASSERT_EQ(operations.size(), 2u);
    EXPECT_EQ(operations[0].Call, "Draw(Times)");
    EXPECT_EQ(operations[0].Name(), "Draw");
    EXPECT_EQ(operations[0].Description, "draws Times times");
    EXPECT_EQ(operations[1].Name(), "Sides");
    EXPECT_TRUE(ClassOperations(TDsgAll::StaticClass()).empty());
}

// ---------------------------------------------------------------------------------------------------
// Which editor a property gets. Each test has classes of its own: registrations cannot be taken back.

template <int N>
class TDsgEditor : public TStringProperty {
public:
    static TClass StaticClass() noexcept
    {
        static const TClassInfo info = [] {
            TClassInfo record;
            record.Name = "TDsgEditor" + std::to_string(N);
            record.Parent = TStringProperty::StaticClass();
            record.CreateInstance = []() -> TObject* { return new TDsgEditor; };
            return record;
        }();
        return &info;
    }
    TClass ClassType() const noexcept override { return StaticClass(); }
};

#define DSG_LEVELS(Prefix)                                                                                         \
    class Prefix##Base : public TComponent {                                                                       \
        QEL_CLASS(Prefix##Base)                                                                                    \
    public:                                                                                                        \
        using TComponent::TComponent;                                                                              \
        const std::string& Text() const noexcept { return FText; }                                                 \
        void SetText(const std::string& text) { FText = text; }                                                    \
        const std::string& Other() const noexcept { return FOther; }                                               \
        void SetOther(const std::string& other) { FOther = other; }                                                \
        int Number() const noexcept { return FNumber; }                                                            \
        void SetNumber(int number) { FNumber = number; }                                                           \
        unsigned short Word() const noexcept { return FWord; }                                                     \
        void SetWord(unsigned short word) { FWord = word; }                                                        \
        bool Flag() const noexcept { return FFlag; }                                                               \
        void SetFlag(bool flag) { FFlag = flag; }                                                                  \
        char Letter() const noexcept { return FLetter; }                                                           \
        void SetLetter(char letter) { FLetter = letter; }                                                          \
                                                                                                                   \
    private:                                                                                                       \
        std::string FText, FOther;                                                                                 \
        int FNumber = 0;                                                                                           \
        unsigned short FWord = 0;                                                                                  \
        bool FFlag = false;                                                                                        \
        char FLetter = 'a';                                                                                        \
    };                                                                                                             \
    QEL_CLASS_INFO(Prefix##Base, TComponent)                                                                       \
    {                                                                                                              \
        using C = Prefix##Base;                                                                                    \
        return {Prop("Text", &C::Text, &C::SetText),       Prop("Other", &C::Other, &C::SetOther),                 \
                Prop("Number", &C::Number, &C::SetNumber), Prop("Word", &C::Word, &C::SetWord),                    \
                Prop("Flag", &C::Flag, &C::SetFlag),       Prop("Letter", &C::Letter, &C::SetLetter)};             \
    }                                                                                                              \
    class Prefix##Derived : public Prefix##Base {                                                                  \
        QEL_CLASS(Prefix##Derived)                                                                                 \
    public:                                                                                                        \
        using Prefix##Base::Prefix##Base;                                                                          \
    };                                                                                                             \
    QEL_CLASS_INFO(Prefix##Derived, Prefix##Base)                                                                  \
    {                                                                                                              \
        return {};                                                                                                 \
    }                                                                                                              \
    class Prefix##Leaf : public Prefix##Derived {                                                                  \
        QEL_CLASS(Prefix##Leaf)                                                                                    \
    public:                                                                                                        \
        using Prefix##Derived::Prefix##Derived;                                                                    \
    };                                                                                                             \
    QEL_CLASS_INFO(Prefix##Leaf, Prefix##Derived)                                                                  \
    {                                                                                                              \
        return {};                                                                                                 \
    }

DSG_LEVELS(TDsgA)
DSG_LEVELS(TDsgB)
DSG_LEVELS(TDsgC)
DSG_LEVELS(TDsgD)

std::string EditorName(TClass cls, const char* property)
{
    return GetEditorClass(cls, *cls->FindProperty(property))->Name;
}

TEST(DesignEditorLookUp, ANamedPropertyWinsOverEveryPropertyOfItsTypeEvenOnAMoreDerivedClass)
{
    RegisterPropertyEditor(typeid(std::string), TDsgALeaf::StaticClass(), "", TDsgEditor<1>::StaticClass());
    RegisterPropertyEditor(typeid(std::string), TDsgABase::StaticClass(), "text", TDsgEditor<2>::StaticClass());
    EXPECT_EQ(EditorName(TDsgALeaf::StaticClass(), "Text"), "TDsgEditor2") << "named, on the base class";
    EXPECT_EQ(EditorName(TDsgALeaf::StaticClass(), "Other"), "TDsgEditor1");
    EXPECT_EQ(EditorName(TDsgALeaf::StaticClass(), "Name"), "TComponentNameProperty") << "Name stays editable";
    EXPECT_EQ(EditorName(TDsgADerived::StaticClass(), "Other"), "TStringProperty") << "an ancestor is not covered";
    EXPECT_EQ(EditorName(TDsgADerived::StaticClass(), "Text"), "TDsgEditor2");
}

TEST(DesignEditorLookUp, ThenTheMoreDerivedClassWinsWhicheverCameFirst)
{
    RegisterPropertyEditor(typeid(std::string), TDsgBDerived::StaticClass(), "", TDsgEditor<3>::StaticClass());
    RegisterPropertyEditor(typeid(std::string), TDsgBBase::StaticClass(), "", TDsgEditor<4>::StaticClass());
    RegisterPropertyEditor(typeid(std::string), nullptr, "Other", TDsgEditor<5>::StaticClass());
    RegisterPropertyEditor(typeid(std::string), TDsgBLeaf::StaticClass(), "Other", TDsgEditor<6>::StaticClass());
    EXPECT_EQ(EditorName(TDsgBLeaf::StaticClass(), "Text"), "TDsgEditor3");
    EXPECT_EQ(EditorName(TDsgBBase::StaticClass(), "Text"), "TDsgEditor4");
    EXPECT_EQ(EditorName(TDsgBLeaf::StaticClass(), "Other"), "TDsgEditor6");
    EXPECT_EQ(EditorName(TDsgBDerived::StaticClass(), "Other"), "TDsgEditor5") << "no class: every class";
}

TEST(DesignEditorLookUp, ThenTheLaterRegistrationWinsAndRegisteringAgainChangesNothing)
{
    RegisterPropertyEditor(typeid(std::string), TDsgCBase::StaticClass(), "", TDsgEditor<7>::StaticClass());
    RegisterPropertyEditor(typeid(std::string), TDsgCBase::StaticClass(), "", TDsgEditor<8>::StaticClass());
    EXPECT_EQ(EditorName(TDsgCLeaf::StaticClass(), "Text"), "TDsgEditor8");
    RegisterPropertyEditor(typeid(std::string), TDsgCBase::StaticClass(), "", TDsgEditor<7>::StaticClass());
    EXPECT_EQ(EditorName(TDsgCLeaf::StaticClass(), "Text"), "TDsgEditor8");
}

TEST(DesignEditorLookUp, EachTypeIsItsOwnIntegerBooleanAndCharAmongThem)
{
    RegisterPropertyEditor(typeid(int), TDsgDBase::StaticClass(), "", TIntegerProperty::StaticClass());
    RegisterPropertyEditor(typeid(int), TDsgDBase::StaticClass(), "", TDsgEditor<9>::StaticClass());
    EXPECT_EQ(EditorName(TDsgDLeaf::StaticClass(), "Number"), "TDsgEditor9");
    EXPECT_EQ(EditorName(TDsgDLeaf::StaticClass(), "Word"), "TIntegerProperty");
    EXPECT_EQ(EditorName(TDsgDLeaf::StaticClass(), "Flag"), "TBoolProperty");
    EXPECT_EQ(EditorName(TDsgDLeaf::StaticClass(), "Letter"), "TCharProperty");
    EXPECT_EQ(EditorName(TDsgDLeaf::StaticClass(), "Text"), "TStringProperty");
}

TEST(DesignEditorLookUp, OnlyPropertyEditorClassesAreTaken)
{
    EXPECT_EQ(ErrorMessageOf<EInvalidCast>([] {
                  RegisterPropertyEditor(typeid(int), nullptr, "", TComponent::StaticClass());
              }),
              "RegisterPropertyEditor expects a property editor class but got TComponent");
}

// ---------------------------------------------------------------------------------------------------
// The palette

TEST(DesignPalette, PagesAndClassesKeepTheirOrderAndAClassItsFirstPlace)
{
    RegisterComponents("Dsg One", {TDsgALeaf::StaticClass(), TDsgABase::StaticClass()});
    RegisterComponents("Dsg Two", {TDsgBBase::StaticClass()});
    RegisterComponents("Dsg One", {TDsgADerived::StaticClass(), TDsgALeaf::StaticClass()});
    RegisterComponents("Dsg Two", {TDsgABase::StaticClass()});
    EXPECT_EQ(ErrorMessageOf<EInvalidCast>([] {
                  RegisterComponents("Dsg One", {TDsgCBase::StaticClass(), TDsgPart::StaticClass()});
              }),
              "RegisterComponents expects component classes but got TDsgPart");
    EXPECT_EQ(ErrorMessageOf<EInvalidCast>([] { RegisterComponents("Dsg Three", {TDsgPart::StaticClass()}); }),
              "RegisterComponents expects component classes but got TDsgPart")
        << "nor is the page made";

    std::vector<std::string> seen;
    for (const TPalettePage& page : PalettePages())
        if (page.Name.starts_with("Dsg ")) {
            seen.push_back(page.Name + ":");
            for (TClass cls : page.Classes)
                seen.push_back(cls->Name);
        }
    EXPECT_EQ(seen, (std::vector<std::string>{"Dsg One:", "TDsgALeaf", "TDsgABase", "TDsgADerived", "Dsg Two:",
                                              "TDsgBBase"}));
}

} // namespace
