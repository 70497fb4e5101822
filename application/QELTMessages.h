// The message components: dialogs put together from properties, shown by Execute, the answer reported
// through events. TQELMsgBox shows a message of several lines with a chosen set of buttons and fires one
// event per answer; TQELMsgDlg asks for a line of text; TQELMsgSelect asks for one entry of a list, or
// a text typed instead, in a dialog it builds itself.
//
// Each Execute first plays the component's Sound, then shows its dialog modally. The dialogs belong to
// the form that is active when they open and are centred on it (TDialogForm), so they never open
// behind a top-most form.
#pragma once

#include "foundation/QELSystem.h"
#include "framework/Dialogs.h"
#include "framework/StringList.h"

#include <cstdint>
#include <memory>
#include <string>

class TQELMsgBox : public TQELAdvancedExecComponent {
    QEL_CLASS(TQELMsgBox)
public:
    // Placed in the designer, the message starts with the line "Place your message here".
    explicit TQELMsgBox(TComponent* owner);

    // Shows the lines of Caption, each ended by a carriage return, with MessageType, Buttons and
    // HelpContext: at (XPosition, YPosition) unless YPosition is -1 (centred). Fires the event of the
    // answer; always true.
    bool Execute() override;

    TStrings* Caption() const noexcept { return FCaption.get(); }
    void SetCaption(TStrings* caption); // copies the lines
    TMsgDlgType MessageType() const noexcept { return FMessageType; }
    void SetMessageType(TMsgDlgType type) { FMessageType = type; }
    TMsgDlgButtons Buttons() const noexcept { return FButtons; }
    void SetButtons(TMsgDlgButtons buttons) { FButtons = buttons; }
    int HelpContext() const noexcept { return FHelpContext; }
    void SetHelpContext(int context) { FHelpContext = context; }
    // -1 for the default position; setting either coordinate to -1 sets the other to -1 too.
    int XPosition() const noexcept { return FXPosition; }
    void SetXPos(int x);
    int YPosition() const noexcept { return FYPosition; }
    void SetYPos(int y);

    const TNotifyEvent& OnYes() const noexcept { return FOnYes; }
    void SetOnYes(const TNotifyEvent& event) { FOnYes = event; }
    const TNotifyEvent& OnNo() const noexcept { return FOnNo; }
    void SetOnNo(const TNotifyEvent& event) { FOnNo = event; }
    const TNotifyEvent& OnOk() const noexcept { return FOnOk; }
    void SetOnOk(const TNotifyEvent& event) { FOnOk = event; }
    const TNotifyEvent& OnCancel() const noexcept { return FOnCancel; }
    void SetOnCancel(const TNotifyEvent& event) { FOnCancel = event; }
    const TNotifyEvent& OnAbort() const noexcept { return FOnAbort; }
    void SetOnAbort(const TNotifyEvent& event) { FOnAbort = event; }
    const TNotifyEvent& OnIgnore() const noexcept { return FOnIgnore; }
    void SetOnIgnore(const TNotifyEvent& event) { FOnIgnore = event; }
    const TNotifyEvent& OnRetry() const noexcept { return FOnRetry; }
    void SetOnRetry(const TNotifyEvent& event) { FOnRetry = event; }
    const TNotifyEvent& OnAll() const noexcept { return FOnAll; }
    void SetOnAll(const TNotifyEvent& event) { FOnAll = event; }

private:
    std::unique_ptr<TStringList> FCaption;
    TMsgDlgType FMessageType = mtInformation;
    TMsgDlgButtons FButtons{mbOK, mbCancel};
    int FHelpContext = 0;
    int FXPosition = -1;
    int FYPosition = -1;
    TNotifyEvent FOnYes;
    TNotifyEvent FOnNo;
    TNotifyEvent FOnOk;
    TNotifyEvent FOnCancel;
    TNotifyEvent FOnAbort;
    TNotifyEvent FOnIgnore;
    TNotifyEvent FOnRetry;
    TNotifyEvent FOnAll;

    std::string FMessage;      // the text of the last Execute
    std::uint16_t FAnswer = 0; // its modal result
};

class TQELMsgDlg : public TQELAdvancedExecComponent {
    QEL_CLASS(TQELMsgDlg)
public:
    explicit TQELMsgDlg(TComponent* owner);

    // Asks for a line of text titled Header, under Question, offering Return. True when the user
    // confirmed (Return then holds the text, OnOk fires); false otherwise (OnCancel).
    bool Execute() override;

    const std::string& Header() const noexcept { return FHeader; }
    void SetHeader(const std::string& header) { FHeader = header; }
    const std::string& Question() const noexcept { return FQuestion; }
    void SetQuestion(const std::string& question) { FQuestion = question; }
    const std::string& Return() const noexcept { return FReturn; }
    void SetReturn(const std::string& text) { FReturn = text; }

    const TNotifyEvent& OnOk() const noexcept { return FOnOk; }
    void SetOnOk(const TNotifyEvent& event) { FOnOk = event; }
    const TNotifyEvent& OnCancel() const noexcept { return FOnCancel; }
    void SetOnCancel(const TNotifyEvent& event) { FOnCancel = event; }

private:
    std::string FHeader = "Heading";
    std::string FQuestion = "Question";
    std::string FReturn = "Default Return";
    TNotifyEvent FOnOk;
    TNotifyEvent FOnCancel;
};

class TQELMsgSelect : public TQELAdvancedExecComponent {
    QEL_CLASS(TQELMsgSelect)
public:
    explicit TQELMsgSelect(TComponent* owner);

    // Offers Items (sorted on the screen when Sorted) in an editable combo box titled Header under the
    // label Question, starting with the text Return and the entry equal to it selected. True when the
    // user confirmed (Return then holds the chosen or typed text, at most 127 characters; OnOk fires);
    // false otherwise (OnCancel).
    bool Execute() override;

    const std::string& Header() const noexcept { return FHeader; }
    void SetHeader(const std::string& header) { FHeader = header; }
    const std::string& Question() const noexcept { return FQuestion; }
    void SetQuestion(const std::string& question) { FQuestion = question; }
    const std::string& Return() const noexcept { return FReturn; }
    void SetReturn(const std::string& text) { FReturn = text; }
    TStrings* Items() const noexcept { return FItems.get(); }
    void SetItems(TStrings* items); // copies the lines
    bool Sorted() const noexcept { return FSorted; }
    void SetSorted(bool sorted) { FSorted = sorted; }

    const TNotifyEvent& OnOk() const noexcept { return FOnOk; }
    void SetOnOk(const TNotifyEvent& event) { FOnOk = event; }
    const TNotifyEvent& OnCancel() const noexcept { return FOnCancel; }
    void SetOnCancel(const TNotifyEvent& event) { FOnCancel = event; }

private:
    bool ShowChoice();

    std::string FHeader = "Heading";
    std::string FQuestion = "Question";
    std::string FReturn;
    std::unique_ptr<TStringList> FItems;
    bool FSorted = false;
    TNotifyEvent FOnOk;
    TNotifyEvent FOnCancel;
};
