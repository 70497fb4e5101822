// Shared helpers of the system-information tests.
#include "tests/sysinfo/SysinfoTestSupport.h"

namespace {

std::vector<TMessageBoxCall> MessageBoxCalls;

int WINAPI RecordMessageBox(HWND, LPCSTR text, LPCSTR caption, UINT flags)
{
    MessageBoxCalls.push_back({text ? text : "", caption ? caption : "", flags});
    return IDOK;
}
static_assert(std::is_same_v<decltype(&MessageBoxA), decltype(&RecordMessageBox)>);

} // namespace

TMessageBoxRecorder::TMessageBoxRecorder() : FPatch("user32.dll", "MessageBoxA", &RecordMessageBox)
{
    MessageBoxCalls.clear();
}

TMessageBoxRecorder::~TMessageBoxRecorder()
{
    MessageBoxCalls.clear();
}

const std::vector<TMessageBoxCall>& TMessageBoxRecorder::Calls() const
{
    return MessageBoxCalls;
}

QEL_CLASS_INFO(TSysinfoTestForm, TComponent)
{
    return {};
}

TMethodList TSysinfoTestForm::PublishedMethods()
{
    return {
        PublishedMethod<TSysinfoTestForm>("BeforeUpdate", &TSysinfoTestForm::BeforeUpdate),
        PublishedMethod<TSysinfoTestForm>("AfterUpdate", &TSysinfoTestForm::AfterUpdate),
        PublishedMethod<TSysinfoTestForm>("DriveError", &TSysinfoTestForm::DriveError),
        PublishedMethod<TSysinfoTestForm>("NewValues", &TSysinfoTestForm::NewValues),
    };
}

void TSysinfoTestForm::BeforeUpdate(TObject* sender)
{
    Log.push_back(EventArgText(sender) + ".BeforeUpdate");
}

void TSysinfoTestForm::AfterUpdate(TObject* sender)
{
    Log.push_back(EventArgText(sender) + ".AfterUpdate");
}

void TSysinfoTestForm::DriveError(int errorNumber)
{
    Log.push_back("DriveError=" + std::to_string(errorNumber));
}

void TSysinfoTestForm::NewValues(TObject* sender)
{
    Log.push_back(EventArgText(sender) + ".NewValues");
}
