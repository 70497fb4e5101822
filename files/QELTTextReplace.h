// TQELTextReplace copies a text file line by line into another one, handing each line to BeforeWrite,
// which may change it, drop it, or put extra lines (AddNewString) before it. The copy is written beside
// the target, as "<target>.qel<N>.tmp", and replaces the target only once it was read, written and
// closed, taking on the target's attributes: a copy that fails part-way, or a target that names the
// source itself, leaves the target as it was until then. A copy left there by a program that was killed
// is removed by the next Execute for the same target.
#pragma once

#include "foundation/QELSystem.h"

#include <string>

class TTextWriter;

// Line is the text to be written (the handler may change it), LineNo its 1-based number among the lines
// passed through, WriteLine whether it is written (true on entry).
struct TQELBeforeWrite : TEvent<TObject*, std::string&, int, bool&> {
    using TEvent::TEvent;
    static constexpr std::string_view TypeName = "TQELBeforeWrite";
    static constexpr std::array<std::string_view, 4> ParamNames{"Sender", "Line", "LineNo", "WriteLine"};
};

class TQELTextReplace : public TQELSystemsComponent {
    QEL_CLASS(TQELTextReplace)
public:
    using TQELSystemsComponent::TQELSystemsComponent;

    // Copies FileFrom into FileTo; true when at least one line was passed through. An empty file name
    // raises Exception "Filename not supplied"; a file that cannot be read or written raises EInOutError
    // and leaves FileTo untouched, as does an exception from BeforeWrite. Pending window messages are
    // handled after the first line, then whenever 20 ms have passed, and at the end. An Execute started
    // while this one runs answers false and does nothing.
    bool Execute();
    // Called from BeforeWrite: writes text as a line of its own before the current line, unless the
    // current line was already dropped. Outside Execute, once a line was passed through, there is no
    // target to write to and it raises EInOutError.
    void AddNewString(const std::string& text);

    const std::string& FileFrom() const noexcept { return FFileFrom; }
    void SetFileFrom(const std::string& value) { FFileFrom = value; }
    const std::string& FileTo() const noexcept { return FFileTo; }
    void SetFileTo(const std::string& value) { FFileTo = value; }
    const TQELBeforeWrite& BeforeWrite() const noexcept { return FBeforeWrite; }
    void SetBeforeWrite(const TQELBeforeWrite& event) { FBeforeWrite = event; }
    // When set, only the first NoOfLinesOnly lines are passed through; the rest is read and dropped.
    bool UseNoOfLines() const noexcept { return FUseNoOfLines; }
    void SetUseNoOfLines(bool value) { FUseNoOfLines = value; }
    int NoOfLinesOnly() const noexcept { return FNoOfLinesOnly; }
    void SetNoOfLinesOnly(int value) { FNoOfLinesOnly = value; }

private:
    std::string FFileFrom;
    std::string FFileTo;
    TQELBeforeWrite FBeforeWrite;
    bool FUseNoOfLines = false;
    int FNoOfLinesOnly = 0;

    int FLineNo = 0;
    std::string FLine;
    bool FWriteLine = false;
    // The target being written, during Execute only.
    TTextWriter* FTarget = nullptr;
};
