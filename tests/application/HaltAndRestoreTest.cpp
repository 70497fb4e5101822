// What the application services need of the application object: the orderly halt from inside a form
// being read (in a child process), and the application's own restore path when another thread or
// program restores its minimised window.
#include "tests/application/ApplicationTestSupport.h"
#include "tests/framework/WindowTesting.h"

#include "framework/Forms.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace WindowTesting;

namespace {

TEST(Halt, FromLoadedWhileTheFormIsReadEveryComponentIsDestroyedAndTheCodeIsTheExitCode)
{
    TDescriptionFile form("object Main: TForm\n"
                          "  object First: TLoadProbe\n"
                          "  end\n"
                          "  object Halter: TLoadProbe\n"
                          "    HaltCode = 7\n"
                          "  end\n"
                          "  object Last: TLoadProbe\n"
                          "  end\n"
                          "end\n");
    TChildProcess child(SelfCommand("--read-form \"" + form.Path() + "\""));
    EXPECT_EQ(child.Wait(), 7u) << child.Err();
    // Last never got its Loaded, and is destroyed all the same: last created first, none left.
    EXPECT_EQ(child.OutLines(), (std::vector<std::string>{"loaded First", "loaded Halter", "destroyed Last live=2",
                                                          "destroyed Halter live=1", "destroyed First live=0"}));
    EXPECT_EQ(child.Err(), "");
}

// Counts the application's restore events.
class TRestoreCounter : public TComponent {
public:
    TRestoreCounter() : TComponent(nullptr) {}
    void Restored(TObject* sender)
    {
        ++Count;
        Sender = sender;
    }
    int Count = 0;
    TObject* Sender = nullptr;
};

TEST(ApplicationRestore, RestoredFromAnotherThreadTheFormsComeBackAndOnRestoreFiresOnce)
{
    const TNotifyEvent previous = Application->OnRestore();
    TRestoreCounter counter;
    Application->SetOnRestore(TNotifyEvent(&counter, &TRestoreCounter::Restored));
    auto form = std::make_unique<TForm>(Application);
    ShowWindow(Application->Handle(), SW_SHOWNORMAL);
    form->Show();
    Application->Minimize();
    ASSERT_TRUE(IsIconic(Application->Handle()));
    ASSERT_FALSE(IsWindowVisible(form->Handle()));

    // Another program's ShowWindow reaches the window the same way: sent to this thread.
    std::atomic<bool> done = false;
    std::thread other([&] {
        ShowWindow(Application->Handle(), SW_RESTORE);
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    other.join();
    PumpFor(50);
    EXPECT_FALSE(IsIconic(Application->Handle()));
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(counter.Count, 1);
    EXPECT_EQ(counter.Sender, Application);

    // Restore itself goes the same way, once.
    Application->Minimize();
    Application->Restore();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(counter.Count, 2);
    // A window that was not minimised is not restored.
    Application->Restore();
    ShowWindow(Application->Handle(), SW_RESTORE);
    EXPECT_EQ(counter.Count, 2);

    form.reset();
    ShowWindow(Application->Handle(), SW_HIDE);
    Application->SetOnRestore(previous);
}

} // namespace
