// TQELExitWindows and QELExitWindows against the guard main installs (every request refused with
// ERROR_PRIVILEGE_NOT_HELD) and fakes of the tests' own on top of it; the question answered from a
// timer as a user would; the one request that Windows accepts runs in a child process, which it ends.
#include "actions/QELTExitWindows.h"

#include "framework/FormText.h"
#include "framework/StdCtrls.h"
#include "tests/actions/ActionsTestSupport.h"
#include "tests/framework/WindowTesting.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

#include <memory>

using namespace WindowTesting;

namespace {

constexpr const char* MessageForm = "TMessageForm";

class TExitRoot : public TComponent {
    QEL_CLASS(TExitRoot)
public:
    using TComponent::TComponent;
    void Executing(TObject* sender)
    {
        Calls.push_back(sender);
        RequestsAtExecute = ExitRequests().size();
    }
    std::vector<TObject*> Calls;
    std::size_t RequestsAtExecute = 0;

private:
    static TMethodList PublishedMethods();
};

} // namespace

QEL_CLASS_INFO(TExitRoot, TComponent)
{
    return {};
}

TMethodList TExitRoot::PublishedMethods()
{
    return {PublishedMethod<TExitRoot>("Executing", &TExitRoot::Executing)};
}

namespace {

// Refuses as Windows does when the request is not allowed, with an error the test can recognise.
BOOL WINAPI AccessDeniedExitWindowsEx(UINT flags, DWORD reason)
{
    RecordExitRequest(flags, reason);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

class ExitWindowsTest : public testing::Test {
protected:
    ExitWindowsTest() : FRoot(std::make_unique<TExitRoot>(nullptr)), FExit(new TQELExitWindows(FRoot.get()))
    {
        ExitRequests().clear();
        FExit->SetOnExecute(TNotifyEvent(FRoot.get(), &TExitRoot::Executing));
    }

    std::unique_ptr<TExitRoot> FRoot;
    TQELExitWindows* FExit;
};

} // namespace

TEST_F(ExitWindowsTest, AnsweringNoMakesNoRequest)
{
    std::string question;
    TUserAction user([&] {
        auto* dialog = dynamic_cast<TForm*>(FindControl(FindThreadWindow(MessageForm, "Confirmation")));
        if (auto* label = dialog ? dynamic_cast<TLabel*>(dialog->FindComponent("Message")) : nullptr)
            question = label->Caption();
        return PressButton(MessageForm, "Confirmation", "&No");
    });
    EXPECT_FALSE(FExit->Execute());
    EXPECT_TRUE(user.Done());
    EXPECT_EQ(question, "Are you sure you want to Logoff ?");
    // OnExecute came first, whatever the answer.
    EXPECT_EQ(FRoot->Calls, std::vector<TObject*>{FExit});
    EXPECT_TRUE(ExitRequests().empty());
    EXPECT_EQ(FExit->LastError(), "");
}

TEST_F(ExitWindowsTest, ClosingTheQuestionCountsAsNo)
{
    TUserAction user([] {
        HWND dialog = FindThreadWindow(MessageForm, "Confirmation");
        return dialog && PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(FExit->Execute());
    EXPECT_TRUE(user.Done());
    EXPECT_TRUE(ExitRequests().empty());
}

TEST_F(ExitWindowsTest, AnsweringYesMakesTheRequestAndKeepsRunningWhenItIsRefused)
{
    FExit->SetExitType(xShutDown);
    FExit->SetConfirmMessage("Shut down now?");
    TUserAction user([] { return PressButton(MessageForm, "Confirmation", "&Yes"); });
    EXPECT_FALSE(FExit->Execute());
    EXPECT_TRUE(user.Done());
    ASSERT_EQ(ExitRequests().size(), 1u);
    EXPECT_EQ(ExitRequests()[0].Flags, static_cast<UINT>(EWX_SHUTDOWN));
    EXPECT_EQ(FExit->LastError(), "Error: 1314");
    EXPECT_FALSE(Application->Terminated());
}

TEST_F(ExitWindowsTest, AComponentFreedWhileItsQuestionIsUpMakesNoRequest)
{
    // The question's message loop runs whatever comes: here the component goes before Yes is pressed.
    TUserAction user([&] {
        if (!FindThreadWindow(MessageForm, "Confirmation"))
            return false;
        delete FExit;
        return PressButton(MessageForm, "Confirmation", "&Yes");
    });
    TQELExitWindows* exit = FExit;
    EXPECT_FALSE(exit->Execute());
    EXPECT_TRUE(user.Done());
    EXPECT_TRUE(ExitRequests().empty());
    EXPECT_EQ(FRoot->ComponentCount(), 0);
}

TEST_F(ExitWindowsTest, WithoutConfirmationEachExitTypePassesItsFlagsAtOnce)
{
    // xReboot and xShutDown do not follow their flag values; xForce is a forced log-off alone.
    const std::pair<TQELExitType, UINT> cases[] = {
        {xLogoff, 0}, {xReboot, 2}, {xShutDown, 1}, {xPowerOff, 8}, {xForce, 4}};
    FExit->SetConfirm(false);
    for (const auto& [exitType, flags] : cases) {
        ExitRequests().clear();
        FExit->SetExitType(exitType);
        EXPECT_FALSE(FExit->Execute());
        ASSERT_EQ(ExitRequests().size(), 1u);
        EXPECT_EQ(ExitRequests()[0].Flags, flags) << EventArgText(exitType);
        EXPECT_EQ(ExitRequests()[0].Reason, 0u);
    }
    EXPECT_EQ(FRoot->Calls.size(), 5u);
    EXPECT_EQ(FRoot->RequestsAtExecute, 0u); // OnExecute fired before the request
    EXPECT_EQ(FExit->ConfirmMessage(), "Are you sure you want to Logoff ?");
}

TEST_F(ExitWindowsTest, TheRecordedErrorIsTheRequestsOwn)
{
    // Switching the privilege off again after the request succeeds and sets the thread's error to 0;
    // the text still names the error of the refused request.
    const TImportPatch denied("user32.dll", "ExitWindowsEx", &AccessDeniedExitWindowsEx);
    FExit->SetConfirm(false);
    EXPECT_FALSE(FExit->Execute());
    EXPECT_EQ(FExit->LastError(), "Error: 5");

    SetLastError(0);
    EXPECT_FALSE(QELExitWindows(EWX_REBOOT));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(ExitWindowsTest, TheShutdownPrivilegeIsEnabledForTheRequestOnly)
{
    ASSERT_FALSE(ShutdownPrivilegeEnabled());
    EXPECT_FALSE(QELExitWindows(EWX_LOGOFF));
    ASSERT_EQ(ExitRequests().size(), 1u);
    EXPECT_TRUE(ExitRequests()[0].PrivilegeEnabled);
    EXPECT_FALSE(ShutdownPrivilegeEnabled());
}

TEST_F(ExitWindowsTest, AnAcceptedRequestTerminatesTheApplicationAndReportsTrue)
{
    // In a child: the request ends that application's message loop.
    EXPECT_EQ(RunChild(ChildSwitch("exit") + " " + std::to_string(xReboot)), 100u + EWX_REBOOT);
    EXPECT_EQ(RunChild(ChildSwitch("exit") + " " + std::to_string(xLogoff)), 100u + EWX_LOGOFF);
}

TEST_F(ExitWindowsTest, OnlyADifferentExitTypeIsStoredAndEachLoadsBack)
{
    FExit->SetName("Exit1");
    FRoot->SetName("Root");
    const std::string defaults = WriteComponentText(*FRoot);
    EXPECT_EQ(defaults.find("ExitType"), std::string::npos);
    EXPECT_NE(defaults.find("ConfirmMessage = 'Are you sure you want to Logoff ?'"), std::string::npos);
    EXPECT_EQ(defaults.find("Confirm ="), std::string::npos);
    EXPECT_NE(defaults.find("OnExecute = Executing"), std::string::npos);

    FExit->SetConfirm(false);
    for (TQELExitType exitType : {xReboot, xShutDown, xPowerOff, xForce}) {
        FExit->SetExitType(exitType);
        const std::string text = WriteComponentText(*FRoot);
        EXPECT_NE(text.find("ExitType = " + EventArgText(exitType)), std::string::npos);
        EXPECT_NE(text.find("Confirm = False"), std::string::npos);
        const std::unique_ptr<TComponent> loaded(TReader(text).ReadComponent(nullptr));
        auto* copy = dynamic_cast<TQELExitWindows*>(loaded->FindComponent("Exit1"));
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->ExitType(), exitType);
        EXPECT_FALSE(copy->Confirm());
    }
}
