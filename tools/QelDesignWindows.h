// The designer as windows (`qel design`): the component palette, the designed form and the object
// inspector, on a design session.
//
// - "Component Palette" (the main form: closing it ends the designer): a tab for each palette page and
//   one button per class of the page, in registration order, with a glyph drawn from the class name and
//   the class name as its tool tip; a button's control ID is its place on its page, from 1. A click on
//   a button, then a click on the form, adds a component of that class there, named the usual way
//   (FormSaver1, FormSaver2, ...). A component that refuses to be made (one allowed once per process)
//   is refused with its own message.
// - The designed form, in the designing state: its controls as they are, and each component that is no
//   control drawn as its glyph with its name under it, at its design position (components without one
//   are laid out in rows). A click selects a component (the form itself on an empty spot), a
//   shift-click adds or takes away one, dragging moves the selection, Delete removes it, and resizing
//   the form changes its Width and Height.
// - "Object Inspector": a Properties and an Events page listing what the property editors show for the
//   selection (GetComponentProperties), a property with parts with [+] or [-] before it, opened and
//   closed by a double-click. A click on a line shows its value below: a drop-down of the editor's
//   values (paValueList), or a text field that Enter sets (greyed and fixed for paReadOnly), and a "..."
//   button for paDialog that calls the editor's Edit; an "Execute Test" of a component that acts on the
//   machine asks first. A double-click on an event makes a handler named after the component and the
//   event (FormSaver1Store) when it has none. A value an editor refuses is reported with the editor's
//   message, on standard error too, and the old value stays.
//
// Closing the form or the inspector closes the palette, and with it the designer.
//
// Keys in the form: Ctrl+S saves the description, Ctrl+Z undoes and Ctrl+Y redoes a change (any change:
// each keeps a snapshot of the description before it). Ctrl+C copies the selected components to the
// clipboard as description text, Ctrl+X cuts them, Ctrl+V pastes such text from any form's designer
// (names the form has already are made anew). Closing with changes not saved asks whether to
// save them; once the deadline has passed the designer ends without asking, saving only when told to.
#pragma once

#include "framework/ComCtrls.h"
#include "framework/StdCtrls.h"
#include "tools/QelDeadline.h"
#include "tools/QelDesignSession.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

class TBitBtn;
class TInspectorEdit;

class TDesignWindows : public TObject {
public:
    // fileName is where Ctrl+S saves; saveAtDeadline saves there when the deadline ends the designer.
    TDesignWindows(TDesignSession& session, std::string fileName, bool saveAtDeadline, const TDeadline& deadline);
    ~TDesignWindows() override;

    // Shows the windows, with the components named selected (none: the form), and runs until the
    // palette is closed.
    void Run(std::vector<std::string> selected);

private:
    struct TRow {
        std::unique_ptr<TPropertyEditor> Editor;
        std::string Path;
        int Depth = 0;
    };

    // Windows
    void MakePalette();
    void MakeInspector();
    void HookForm();
    void UnhookForm();
    void FormWndProc(TMessage& message);
    bool CommandKey(WPARAM key);

    // The palette
    void PageChanged(TObject* sender);
    void PaletteClick(TObject* sender);
    void PaletteClose(TObject* sender, TCloseAction& action);

    // The form
    TForm& Form() const;
    void LayOut();
    RECT IconRect(const TComponent& component) const;
    TComponent* ComponentAt(POINT point) const;
    void PaintIcons(HDC dc);
    void MouseDown(POINT point, bool shift);
    void MouseMove(POINT point);
    void MouseUp();
    void Place(POINT point);
    void DeleteSelection();
    void Copy();
    void Paste();

    // The inspector
    void InspectorPageChanged(TObject* sender);
    void InspectorClose(TObject* sender, TCloseAction& action);
    void FillRows();
    void AddRows(TPropertyEditors editors, const std::string& prefix, int depth, bool events);
    void RowClick(TObject* sender);
    void RowDoubleClick(TObject* sender);
    void ValueEntered(TObject* sender);
    void ValuePicked(TObject* sender);
    void DialogClick(TObject* sender);
    TRow* CurrentRow();
    void SetValue(TRow& row, const std::string& text);

    // Changes
    void Changed();
    void Refuse(const std::string& message);
    void Restore(std::string text);
    void Undo();
    void Redo();
    void Save();
    bool Modified() const;
    TSelection Selection() const;
    void Select(std::vector<std::string> names);

    TDesignSession& FSession;
    std::string FFileName;
    bool FSaveAtDeadline;
    const TDeadline& FDeadline;

    std::string FText;      // the description after the last change
    std::string FSavedText; // as last saved (or read)
    std::vector<std::string> FUndo;
    std::vector<std::string> FRedo;
    std::vector<std::string> FSelected; // names; the root's name for the form itself
    TClass FPlacing = nullptr;
    bool FDragging = false;
    bool FDragged = false;
    POINT FDragFrom{};
    bool FRestoring = false;

    std::unique_ptr<TForm> FPalette;
    TTabControl* FPages = nullptr;
    TToolTips* FTips = nullptr;
    std::vector<std::vector<TBitBtn*>> FButtons; // by page
    std::unique_ptr<TForm> FInspector;
    TTabControl* FInspectorPages = nullptr;
    TListBox* FRowList = nullptr;
    TInspectorEdit* FValueEdit = nullptr;
    TComboBox* FValueList = nullptr;
    TBitBtn* FDialogButton = nullptr;
    std::vector<TRow> FRows;
    std::set<std::string> FExpanded;

    HWND FFormWindow = nullptr;
    WNDPROC FFormProc = nullptr;
    WNDPROC FPreviousFormProc = nullptr;
};

// The text of a new form's description.
extern const char* const NewFormText;
