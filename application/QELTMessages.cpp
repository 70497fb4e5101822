// The message components.
#include "application/QELTMessages.h"

#include "framework/Buttons.h"
#include "framework/StdCtrls.h"

QEL_CLASS_INFO(TQELMsgBox, TQELAdvancedExecComponent)
{
    using C = TQELMsgBox;
    return {
        Prop("Caption", &C::Caption, &C::SetCaption).Stored(TStored::Always),
        Prop("MessageType", &C::MessageType, &C::SetMessageType).Default(mtInformation),
        Prop("Buttons", &C::Buttons, &C::SetButtons).Default(TMsgDlgButtons{mbOK, mbCancel}),
        Prop("HelpContext", &C::HelpContext, &C::SetHelpContext).Default(0),
        Prop("XPosition", &C::XPosition, &C::SetXPos).Default(-1),
        Prop("YPosition", &C::YPosition, &C::SetYPos).Default(-1),
        Prop("OnYes", &C::OnYes, &C::SetOnYes),
        Prop("OnNo", &C::OnNo, &C::SetOnNo),
        Prop("OnOk", &C::OnOk, &C::SetOnOk),
        Prop("OnCancel", &C::OnCancel, &C::SetOnCancel),
        Prop("OnAbort", &C::OnAbort, &C::SetOnAbort),
        Prop("OnIgnore", &C::OnIgnore, &C::SetOnIgnore),
        Prop("OnRetry", &C::OnRetry, &C::SetOnRetry),
        Prop("OnAll", &C::OnAll, &C::SetOnAll),
    };
}

QEL_OPERATIONS(TQELMsgBox)
{
    using C = TQELMsgBox;
    return {
        Operation(&C::Execute, "Execute()",
                  "shows the lines of Caption with MessageType and Buttons, and fires the event of the answer; True"),
    };
}

QEL_CLASS_INFO(TQELMsgDlg, TQELAdvancedExecComponent)
{
    using C = TQELMsgDlg;
    return {
        Prop("Header", &C::Header, &C::SetHeader),
        Prop("Question", &C::Question, &C::SetQuestion),
        Prop("Return", &C::Return, &C::SetReturn),
        Prop("OnOk", &C::OnOk, &C::SetOnOk),
        Prop("OnCancel", &C::OnCancel, &C::SetOnCancel),
    };
}

QEL_OPERATIONS(TQELMsgDlg)
{
    using C = TQELMsgDlg;
    return {
        Operation(&C::Execute, "Execute()",
                  "asks for a line of text offering Return; True when confirmed (Return holds the text)"),
    };
}

QEL_CLASS_INFO(TQELMsgSelect, TQELAdvancedExecComponent)
{
    using C = TQELMsgSelect;
    return {
        Prop("Header", &C::Header, &C::SetHeader),
        Prop("Question", &C::Question, &C::SetQuestion),
        Prop("Return", &C::Return, &C::SetReturn),
        Prop("Items", &C::Items, &C::SetItems).Stored(TStored::Always),
        Prop("Sorted", &C::Sorted, &C::SetSorted).Default(false),
        Prop("OnOk", &C::OnOk, &C::SetOnOk),
        Prop("OnCancel", &C::OnCancel, &C::SetOnCancel),
    };
}

QEL_OPERATIONS(TQELMsgSelect)
{
    using C = TQELMsgSelect;
    return {
        Operation(&C::Execute, "Execute()",
                  "asks for an entry of Items or a typed one; True when confirmed (Return holds it)"),
    };
}

// ---------------------------------------------------------------------------------------------------
// TQELMsgBox

TQELMsgBox::TQELMsgBox(TComponent* owner)
    : TQELAdvancedExecComponent(owner), FCaption(std::make_unique<TStringList>())
{
    if (ComponentState().Contains(csDesigning))
        FCaption->Add("Place your message here");
}

void TQELMsgBox::SetCaption(TStrings* caption)
{
    FCaption->Assign(caption);
}

void TQELMsgBox::SetXPos(int x)
{
    FXPosition = x;
    if (x == -1)
        FYPosition = -1;
}

void TQELMsgBox::SetYPos(int y)
{
    FYPosition = y;
    if (y == -1)
        FXPosition = -1;
}

bool TQELMsgBox::Execute()
{
    (void)TQELAdvancedExecComponent::Execute();
    // Lines end with a carriage return alone, the last one too.
    FMessage.clear();
    for (int i = 0; i < FCaption->Count(); ++i)
        FMessage.append(FCaption->Get(i)).append(1, '\r');
    // Only YPosition decides between the two calls.
    const TModalResult answer =
        FYPosition == -1 ? MessageDlg(FMessage, FMessageType, FButtons, FHelpContext)
                         : MessageDlgPos(FMessage, FMessageType, FButtons, FHelpContext, FXPosition, FYPosition);
    FAnswer = static_cast<std::uint16_t>(answer);
    switch (FAnswer) {
    case mrYes:
        FOnYes(this);
        break;
    case mrNo:
        FOnNo(this);
        break;
    case mrOk:
        FOnOk(this);
        break;
    case mrCancel:
        FOnCancel(this);
        break;
    case mrAbort:
        FOnAbort(this);
        break;
    case mrRetry:
        FOnRetry(this);
        break;
    case mrIgnore:
        FOnIgnore(this);
        break;
    case mrAll:
        FOnAll(this);
        break;
    default:
        break;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------
// TQELMsgDlg

TQELMsgDlg::TQELMsgDlg(TComponent* owner) : TQELAdvancedExecComponent(owner)
{
}

bool TQELMsgDlg::Execute()
{
    (void)TQELAdvancedExecComponent::Execute();
    const bool confirmed = InputQuery(FHeader, FQuestion, FReturn);
    if (confirmed)
        FOnOk(this);
    else
        FOnCancel(this);
    return confirmed;
}

// ---------------------------------------------------------------------------------------------------
// TQELMsgSelect

namespace {

// Layout of the choice dialog, in pixels.
constexpr int ChoiceWidth = 280;
constexpr int ChoiceHeight = 160;
constexpr int ChoiceMargin = 10;
constexpr int ChoiceButtonWidth = 77;
constexpr int ChoiceButtonHeight = 27;
constexpr int ChoiceMaxLength = 127;

TBitBtn* AddChoiceButton(TForm* form, TBitBtnKind kind, int left, int top)
{
    auto* button = new TBitBtn(form);
    button->SetParent(form);
    button->SetKind(kind);
    button->SetGlyph(nullptr); // text only
    button->SetMargin(-1);
    button->SetBounds(left, top, ChoiceButtonWidth, ChoiceButtonHeight);
    return button;
}

} // namespace

TQELMsgSelect::TQELMsgSelect(TComponent* owner)
    : TQELAdvancedExecComponent(owner), FItems(std::make_unique<TStringList>())
{
}

void TQELMsgSelect::SetItems(TStrings* items)
{
    FItems->Assign(items);
}

bool TQELMsgSelect::Execute()
{
    (void)TQELAdvancedExecComponent::Execute();
    const bool confirmed = ShowChoice();
    if (confirmed)
        FOnOk(this);
    else
        FOnCancel(this);
    return confirmed;
}

// The choice dialog, built control by control and freed with its controls whatever happens.
bool TQELMsgSelect::ShowChoice()
{
    const auto form = std::make_unique<TDialogForm>(Application);
    form->SetBorderStyle(bsDialog);
    form->SetCtl3D(true);
    form->SetWidth(ChoiceWidth);
    form->SetHeight(ChoiceHeight);
    form->SetCaption(FHeader);
    TFont font;
    font.SetName("MS Sans Serif");
    font.SetSize(8);
    font.SetStyle(TFontStyles{fsBold});
    form->SetFont(&font);

    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetAutoSize(true);
    label->SetLeft(ChoiceMargin);
    label->SetTop(ChoiceMargin);
    label->SetCaption(FQuestion);

    auto* combo = new TComboBox(form.get());
    combo->SetParent(form.get());
    combo->SetSorted(FSorted);
    combo->SetLeft(ChoiceMargin);
    combo->SetTop(label->Top() + label->Height() + 5);
    combo->SetWidth(form->ClientWidth() - 2 * ChoiceMargin);
    combo->SetMaxLength(ChoiceMaxLength);
    combo->SelectAll();
    combo->SetText(FReturn);
    combo->Items()->Clear();
    for (int i = 0; i < FItems->Count(); ++i)
        combo->Items()->Add(FItems->Get(i));
    if (const int index = combo->Items()->IndexOf(combo->Text()); index >= 0)
        combo->SetItemIndex(index);
    label->SetFocusControl(combo);

    const int buttonTop = combo->Top() + combo->Height() + ChoiceMargin;
    TBitBtn* ok = AddChoiceButton(form.get(), bkOK, form->ClientWidth() / 2 - (2 * ChoiceButtonWidth + 10) / 2,
                                  buttonTop);
    AddChoiceButton(form.get(), bkCancel, ok->Left() + ok->Width() + 10, buttonTop);
    form->SetClientHeight(ok->Top() + ok->Height() + ChoiceMargin);
    form->CenterOnOwner();

    if (form->ShowModal() != mrOk)
        return false;
    FReturn = combo->Text();
    return true;
}
