// The message and input dialogs: modal forms built on the spot from a label, buttons and an edit.
#pragma once

#include "framework/Forms.h"

#include <string>

enum TMsgDlgType : std::uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
inline const TEnumInfo& EnumTypeInfo(TMsgDlgType)
{
    static const TEnumInfo info{"TMsgDlgType", {"mtWarning", "mtError", "mtInformation", "mtConfirmation", "mtCustom"}};
    return info;
}

enum TMsgDlgBtn : std::uint8_t { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbHelp };
inline const TEnumInfo& EnumTypeInfo(TMsgDlgBtn)
{
    static const TEnumInfo info{"TMsgDlgBtn",
                                {"mbYes", "mbNo", "mbOK", "mbCancel", "mbAbort", "mbRetry", "mbIgnore", "mbAll", "mbHelp"},
                                "TMsgDlgButtons"};
    return info;
}
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

// The form of a modal dialog. Its window belongs to the window that is active when the form is created
// (else to the main form while that is shown, else to the application's window), so the dialog opens in
// front of the form the user works in, a top-most one included. It adds no class of its own: to
// everything that goes by class names, its window class included, it is a plain TForm.
class TDialogForm : public TForm {
public:
    explicit TDialogForm(TComponent* owner);

    HWND OwnerWindow() const noexcept { return FOwnerWindow; }
    // Places the form in the middle of its owner window, or of the screen while that is not shown,
    // inside the work area of the monitor it lands on.
    void CenterOnOwner();

    // A dialog destroyed with its owner (the form freed while the dialog is up) answers Cancel rather
    // than wait for a button that is gone.
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    HWND FOwnerWindow;
};

// Shows msg in a modal dialog centred on the form that was active, titled and marked by its type (the
// custom type takes the application's title and no icon), with the buttons of the set in the order of
// the set, and returns the modal result of the button pressed: mrYes, mrNo, mrOk, mrCancel, mrAbort,
// mrRetry, mrIgnore or mrAll (closing the dialog gives mrCancel). OK, else Yes, is the default button;
// Cancel, else No, else OK answers Escape. Help does not close the dialog: it asks the application for
// help on helpCtx.
TModalResult MessageDlg(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx);
// The same dialog with its top-left corner at screen point (x, y); -1 keeps the centred position for
// that coordinate.
TModalResult MessageDlgPos(const std::string& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int helpCtx,
                           int x, int y);

// Asks for one line of text under prompt, value being the text offered, in a dialog centred on the form
// that was active. True when the user confirmed, value then holding the text; false leaves value as it
// was.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
