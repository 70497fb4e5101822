// The desktop and device settings. Nothing here may outlast a test: the wallpaper's system call and
// the sound player are replaced by fakes, and the registry values the wallpaper writes, the screen
// saver's state and time-out and the thread's keyboard state are put back afterwards.
#include "actions/QELTScreenSaver.h"
#include "actions/QELTSystemKeys.h"
#include "actions/QELTWallPaper.h"
#include "actions/QELTWavePlayer.h"

#include "framework/FormText.h"
#include "framework/Forms.h"
#include "framework/Registry.h"
#include "tests/actions/ActionsTestSupport.h"
#include "tests/support/ErrorMessage.h"
#include "tests/support/ImportPatch.h"

#include <gtest/gtest.h>

#include <mmsystem.h>

#include <array>
#include <memory>
#include <optional>

namespace {

// ---------------------------------------------------------------------------------------------------
// Calls of SystemParametersInfoA

struct TParameterCall {
    UINT Action;
    UINT UIParam;
    std::optional<std::string> Text; // the buffer of SPI_SETDESKWALLPAPER
    UINT WinIni;
    std::string TileAtCall;          // "TileWallPaper" as the registry held it during the call
};
std::vector<TParameterCall> ParameterCalls;

const std::string DesktopKey = "Control Panel\\desktop";

std::optional<std::string> DesktopValue(const std::string& name)
{
    TRegistry registry;
    if (!registry.OpenKey(DesktopKey, false) || !registry.ValueExists(name))
        return std::nullopt;
    return registry.ReadString(name);
}

void RestoreDesktopValue(const std::string& name, const std::optional<std::string>& value)
{
    TRegistry registry;
    if (!registry.OpenKey(DesktopKey, false))
        return;
    if (value)
        registry.WriteString(name, *value);
    else
        (void)registry.DeleteValue(name);
}

// Records wallpaper changes without making them; everything else goes to the system, recorded.
BOOL WINAPI RecordedSystemParametersInfoA(UINT action, UINT uiParam, PVOID pvParam, UINT winIni)
{
    static const auto real = reinterpret_cast<decltype(&SystemParametersInfoA)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SystemParametersInfoA")));
    if (action == SPI_SETDESKWALLPAPER) {
        ParameterCalls.push_back({action, uiParam, std::string(static_cast<const char*>(pvParam)), winIni,
                                  DesktopValue("TileWallPaper").value_or("(none)")});
        return TRUE;
    }
    ParameterCalls.push_back({action, uiParam, std::nullopt, winIni, {}});
    return real(action, uiParam, pvParam, winIni);
}

class TDesktopRoot : public TComponent {
    QEL_CLASS(TDesktopRoot)
public:
    using TComponent::TComponent;
    void Changed(TObject* sender) { Senders.push_back(sender); }
    void ChangedFreeing(TObject* sender)
    {
        Senders.push_back(sender);
        delete sender;
    }
    std::vector<TObject*> Senders;

private:
    static TMethodList PublishedMethods();
};

} // namespace

QEL_CLASS_INFO(TDesktopRoot, TComponent)
{
    return {};
}

TMethodList TDesktopRoot::PublishedMethods()
{
    return {PublishedMethod<TDesktopRoot>("Changed", &TDesktopRoot::Changed)};
}

// ---------------------------------------------------------------------------------------------------
// TQELWallPaper

namespace {

class WallPaperTest : public testing::Test {
protected:
    WallPaperTest()
        : FTile(DesktopValue("TileWallPaper")), FWallpaper(DesktopValue("Wallpaper")),
          FSystem("user32.dll", "SystemParametersInfoA", &RecordedSystemParametersInfoA),
          FRoot(std::make_unique<TDesktopRoot>(nullptr)), FPaper(new TQELWallPaper(FRoot.get()))
    {
        ParameterCalls.clear();
        WriteTextFile(FImage, "BM");
    }
    ~WallPaperTest() override
    {
        RestoreDesktopValue("TileWallPaper", FTile);
        RestoreDesktopValue("Wallpaper", FWallpaper);
    }

    const std::optional<std::string> FTile;
    const std::optional<std::string> FWallpaper;
    TImportPatch FSystem;
    TTempFolder FFolder;
    const std::string FImage = FFolder.File("paper.bmp");
    std::unique_ptr<TDesktopRoot> FRoot;
    TQELWallPaper* FPaper;
};

} // namespace

TEST_F(WallPaperTest, AtRunTimeOnlyAnExistingFileIsTaken)
{
    FPaper->SetFilename(FImage);
    EXPECT_EQ(FPaper->Filename(), FImage);
    FPaper->SetFilename(FFolder.File("gone.bmp"));
    EXPECT_EQ(FPaper->Filename(), FImage);
    FPaper->SetFilename(FFolder.Path()); // a directory is no file
    EXPECT_EQ(FPaper->Filename(), FImage);

    FRoot->SetDesigning(true);
    FPaper->SetFilename(FFolder.File("gone.bmp"));
    EXPECT_EQ(FPaper->Filename(), FFolder.File("gone.bmp"));
}

TEST_F(WallPaperTest, WritesTheTilingBeforeTheSystemCallAndTheNameAfterIt)
{
    FPaper->SetOnChange(TNotifyEvent(FRoot.get(), &TDesktopRoot::Changed));
    FPaper->SetFilename(FImage);
    FPaper->SetTiled(false);
    RestoreDesktopValue("TileWallPaper", "1");
    EXPECT_TRUE(FPaper->Execute());
    EXPECT_EQ(FRoot->Senders, std::vector<TObject*>{FPaper});
    ASSERT_EQ(ParameterCalls.size(), 1u);
    EXPECT_EQ(ParameterCalls[0].Action, static_cast<UINT>(SPI_SETDESKWALLPAPER));
    EXPECT_EQ(ParameterCalls[0].UIParam, 1u);
    EXPECT_EQ(ParameterCalls[0].Text, std::optional<std::string>(FImage));
    EXPECT_EQ(ParameterCalls[0].WinIni, static_cast<UINT>(SPIF_UPDATEINIFILE));
    EXPECT_EQ(ParameterCalls[0].TileAtCall, "0");
    EXPECT_EQ(DesktopValue("Wallpaper"), std::optional<std::string>(FImage));

    FPaper->SetTiled(true);
    EXPECT_TRUE(FPaper->SetWallPaper("", true));
    EXPECT_EQ(ParameterCalls.back().TileAtCall, "1");
    EXPECT_EQ(ParameterCalls.back().Text, std::optional<std::string>(""));
    EXPECT_EQ(DesktopValue("Wallpaper"), std::optional<std::string>(""));
}

TEST_F(WallPaperTest, AComponentFreedByOnChangeChangesNothing)
{
    // As a dialog shown by the handler would let a form with the component close for good.
    FPaper->SetOnChange(TNotifyEvent(FRoot.get(), &TDesktopRoot::ChangedFreeing));
    FPaper->SetFilename(FImage);
    FPaper->SetTiled(false);
    RestoreDesktopValue("TileWallPaper", "1");
    RestoreDesktopValue("Wallpaper", "before.bmp");
    TQELWallPaper* paper = FPaper;
    EXPECT_FALSE(paper->Execute());
    EXPECT_EQ(FRoot->Senders, std::vector<TObject*>{paper});
    EXPECT_EQ(FRoot->ComponentCount(), 0);
    EXPECT_TRUE(ParameterCalls.empty());
    EXPECT_EQ(DesktopValue("TileWallPaper"), std::optional<std::string>("1"));
    EXPECT_EQ(DesktopValue("Wallpaper"), std::optional<std::string>("before.bmp"));
}

TEST_F(WallPaperTest, AStoredFileThatIsGoneLoadsEmptyAndRemovesTheWallpaper)
{
    const std::string text = "object Root: TDesktopRoot\n"
                             "  object Paper1: TQELWallPaper\n"
                             "    Tiled = False\n"
                             "    Filename = '" + FFolder.File("gone.bmp") + "'\n"
                             "  end\n"
                             "end\n";
    const std::unique_ptr<TComponent> root(TReader(text).ReadComponent(nullptr));
    auto* paper = dynamic_cast<TQELWallPaper*>(root->FindComponent("Paper1"));
    ASSERT_NE(paper, nullptr);
    EXPECT_EQ(paper->Filename(), "");
    EXPECT_FALSE(paper->Tiled());
    EXPECT_TRUE(paper->Execute());
    ASSERT_EQ(ParameterCalls.size(), 1u);
    EXPECT_EQ(ParameterCalls[0].Text, std::optional<std::string>(""));
    EXPECT_EQ(DesktopValue("Wallpaper"), std::optional<std::string>(""));
    EXPECT_EQ(DesktopValue("TileWallPaper"), std::optional<std::string>("0"));

    // Only Tiled = False differs from a default; the name is always written.
    paper->SetTiled(true);
    const std::string written = WriteComponentText(*root);
    EXPECT_EQ(written.find("Tiled"), std::string::npos);
    EXPECT_NE(written.find("Filename = ''"), std::string::npos);
}

TEST_F(WallPaperTest, ANameTooLongForTheSystemsBufferChangesNothing)
{
    RestoreDesktopValue("TileWallPaper", "1");
    RestoreDesktopValue("Wallpaper", "before.bmp");
    FRoot->SetDesigning(true);
    const std::string fits(255, 'a');
    const std::string tooLong(256, 'a');
    FPaper->SetFilename(tooLong);
    FPaper->SetTiled(false);
    EXPECT_FALSE(FPaper->Execute());
    EXPECT_TRUE(ParameterCalls.empty());
    EXPECT_EQ(DesktopValue("TileWallPaper"), std::optional<std::string>("1"));
    EXPECT_EQ(DesktopValue("Wallpaper"), std::optional<std::string>("before.bmp"));

    EXPECT_TRUE(FPaper->SetWallPaper(fits, false));
    ASSERT_EQ(ParameterCalls.size(), 1u);
    EXPECT_EQ(ParameterCalls[0].Text, std::optional<std::string>(fits));
}

// ---------------------------------------------------------------------------------------------------
// TQELScreenSaver

namespace {

// A form that notes the system commands it receives and swallows the screen saver's.
class TSaverForm : public TForm {
public:
    using TForm::TForm;
    void WndProc(TMessage& message) override
    {
        if (message.Msg == WM_SYSCOMMAND) {
            Commands.push_back(message.WParam);
            if (message.WParam == SC_SCREENSAVE)
                return;
        }
        TForm::WndProc(message);
    }
    std::vector<WPARAM> Commands;
};

BOOL SystemActive()
{
    BOOL active = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    return active;
}

int SystemTimeout()
{
    int seconds = 0;
    SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0);
    return seconds;
}

class ScreenSaverTest : public testing::Test {
protected:
    ScreenSaverTest() : FForm(std::make_unique<TSaverForm>(nullptr)), FSaver(new TQELScreenSaver(FForm.get()))
    {
        ParameterCalls.clear();
    }
    ~ScreenSaverTest() override
    {
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FActive ? 1 : 0, nullptr, 0);
        SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, static_cast<UINT>(FTimeout), nullptr, 0);
    }

    const BOOL FActive = SystemActive();
    const int FTimeout = SystemTimeout();
    std::unique_ptr<TSaverForm> FForm;
    TQELScreenSaver* FSaver;
};

} // namespace

TEST_F(ScreenSaverTest, ReadsAndSetsTheSystemsStateAndTimeOutForTheSession)
{
    EXPECT_EQ(FSaver->Active(), FActive != FALSE);
    EXPECT_EQ(FSaver->Seconds(), FTimeout);

    const TImportPatch system("user32.dll", "SystemParametersInfoA", &RecordedSystemParametersInfoA);
    FSaver->SetActive(!FActive);
    FSaver->SetSeconds(FTimeout + 60);
    EXPECT_EQ(SystemActive(), !FActive);
    EXPECT_EQ(SystemTimeout(), FTimeout + 60);
    EXPECT_EQ(FSaver->Active(), !FActive);
    EXPECT_EQ(FSaver->Seconds(), FTimeout + 60);
    // Broadcast, not saved in the profile.
    ASSERT_GE(ParameterCalls.size(), 2u);
    EXPECT_EQ(ParameterCalls[0].Action, static_cast<UINT>(SPI_SETSCREENSAVEACTIVE));
    EXPECT_EQ(ParameterCalls[0].UIParam, FActive ? 0u : 1u);
    EXPECT_EQ(ParameterCalls[0].WinIni, static_cast<UINT>(SPIF_SENDWININICHANGE));
    EXPECT_EQ(ParameterCalls[1].Action, static_cast<UINT>(SPI_SETSCREENSAVETIMEOUT));
    EXPECT_EQ(ParameterCalls[1].UIParam, static_cast<UINT>(FTimeout + 60));
    EXPECT_EQ(ParameterCalls[1].WinIni, static_cast<UINT>(SPIF_SENDWININICHANGE));
}

TEST_F(ScreenSaverTest, LoadingAFormAppliesTheStoredSettings)
{
    const std::string text = "object Root: TDesktopRoot\n"
                             "  object Saver1: TQELScreenSaver\n"
                             "    Active = " + std::string(FActive ? "False" : "True") + "\n"
                             "    Seconds = 1234\n"
                             "  end\n"
                             "end\n";
    const std::unique_ptr<TComponent> root(TReader(text).ReadComponent(nullptr));
    EXPECT_EQ(SystemActive(), !FActive);
    EXPECT_EQ(SystemTimeout(), 1234);
    // Written back as the system has them, always.
    const std::string written = WriteComponentText(*root);
    EXPECT_NE(written.find("Seconds = 1234"), std::string::npos);
    EXPECT_NE(written.find(std::string("Active = ") + (FActive ? "False" : "True")), std::string::npos);
}

TEST_F(ScreenSaverTest, ExecuteStartsAnActiveScreenSaverThroughTheOwnerForm)
{
    FSaver->SetActive(true);
    EXPECT_TRUE(FSaver->Execute());
    EXPECT_EQ(FForm->Commands, std::vector<WPARAM>{SC_SCREENSAVE});

    FSaver->SetActive(false);
    EXPECT_TRUE(FSaver->Execute());
    EXPECT_EQ(FForm->Commands.size(), 1u);
}

TEST_F(ScreenSaverTest, AnOwnerThatIsNoFormFailsOnlyWhenThereIsSomethingToStart)
{
    TDesktopRoot root(nullptr);
    auto* saver = new TQELScreenSaver(&root);
    TQELScreenSaver orphan(nullptr);
    saver->SetActive(false);
    EXPECT_TRUE(saver->Execute());
    EXPECT_TRUE(orphan.Execute());
    saver->SetActive(true);
    EXPECT_NE(ErrorMessageOf<EInvalidCast>([&] { saver->Execute(); }), "");
    EXPECT_FALSE(orphan.Execute());
}

// ---------------------------------------------------------------------------------------------------
// TQELWavePlayer

namespace {

struct TSoundCall {
    std::string File;
    UINT Flags;
};
std::vector<TSoundCall> SoundCalls;

BOOL WINAPI SilentSndPlaySoundA(LPCSTR sound, UINT flags)
{
    SoundCalls.push_back({sound, flags});
    return FALSE; // no sound device, as here
}

BOOL WINAPI FailingSndPlaySoundA(LPCSTR sound, UINT flags)
{
    SoundCalls.push_back({sound, flags});
    throw Exception("the player failed");
}

class WavePlayerTest : public testing::Test {
protected:
    WavePlayerTest()
        : FSound("winmm.dll", "sndPlaySoundA", &SilentSndPlaySoundA), FRoot(std::make_unique<TDesktopRoot>(nullptr)),
          FPlayer(new TQELWavePlayer(FRoot.get()))
    {
        SoundCalls.clear();
        WriteTextFile(FWave, "RIFF");
        FPlayer->SetOnError(TNotifyEvent(FRoot.get(), &TDesktopRoot::Changed));
    }

    TImportPatch FSound;
    TTempFolder FFolder;
    const std::string FWave = FFolder.File("ding.wav");
    std::unique_ptr<TDesktopRoot> FRoot;
    TQELWavePlayer* FPlayer;
};

} // namespace

TEST_F(WavePlayerTest, PlaysAsynchronouslyWithoutADefaultSoundUnlessToldToWait)
{
    EXPECT_TRUE(FPlayer->Asynchronously());
    EXPECT_EQ(FPlayer->WaveFile(), "");
    FPlayer->SetWaveFile(FWave);
    EXPECT_TRUE(FPlayer->Execute()); // what the player made of the file is not looked at
    FPlayer->SetAsynchronously(false);
    EXPECT_TRUE(FPlayer->Execute());
    EXPECT_TRUE(FPlayer->Play(FWave, true));
    ASSERT_EQ(SoundCalls.size(), 3u);
    EXPECT_EQ(SoundCalls[0].File, FWave);
    EXPECT_EQ(SoundCalls[0].Flags, static_cast<UINT>(SND_ASYNC | SND_NODEFAULT));
    EXPECT_EQ(SoundCalls[1].Flags, static_cast<UINT>(SND_SYNC | SND_NODEFAULT));
    EXPECT_EQ(SoundCalls[2].Flags, static_cast<UINT>(SND_ASYNC | SND_NODEFAULT));
    EXPECT_TRUE(FRoot->Senders.empty());
}

TEST_F(WavePlayerTest, AMissingFileGivesFalseWithoutPlayingOrAnEvent)
{
    EXPECT_FALSE(FPlayer->Execute());
    EXPECT_FALSE(FPlayer->Play(FFolder.File("gone.wav"), true));
    EXPECT_FALSE(FPlayer->Play(FFolder.Path(), false));
    EXPECT_TRUE(SoundCalls.empty());
    EXPECT_TRUE(FRoot->Senders.empty());
}

TEST_F(WavePlayerTest, APlayCallThatRaisesFiresOnErrorAndGivesFalse)
{
    const TImportPatch failing("winmm.dll", "sndPlaySoundA", &FailingSndPlaySoundA);
    FPlayer->SetWaveFile(FWave);
    EXPECT_FALSE(FPlayer->Execute());
    EXPECT_EQ(SoundCalls.size(), 1u);
    EXPECT_EQ(FRoot->Senders, std::vector<TObject*>{FPlayer});
}

TEST_F(WavePlayerTest, OnlyWaitingForTheEndIsStoredBesideTheFile)
{
    FPlayer->SetName("Player1");
    FRoot->SetName("Root");
    EXPECT_EQ(WriteComponentText(*FRoot).find("Asynchronously"), std::string::npos);
    FPlayer->SetAsynchronously(false);
    FPlayer->SetWaveFile(FWave);
    const std::unique_ptr<TComponent> loaded(TReader(WriteComponentText(*FRoot)).ReadComponent(nullptr));
    auto* copy = dynamic_cast<TQELWavePlayer*>(loaded->FindComponent("Player1"));
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(copy->Asynchronously());
    EXPECT_EQ(copy->WaveFile(), FWave);
}

// ---------------------------------------------------------------------------------------------------
// TQELSystemKeys

namespace {

using TKeyboardState = std::array<BYTE, 256>;

TKeyboardState KeyboardState()
{
    TKeyboardState state{};
    GetKeyboardState(state.data());
    return state;
}

void SetKeys(BYTE caps, BYTE num, BYTE scroll)
{
    TKeyboardState state = KeyboardState();
    state[VK_CAPITAL] = caps;
    state[VK_NUMLOCK] = num;
    state[VK_SCROLL] = scroll;
    SetKeyboardState(state.data());
}

class SystemKeysTest : public testing::Test {
protected:
    ~SystemKeysTest() override { SetKeyboardState(FSaved.data()); }

    TKeyboardState FSaved = KeyboardState();
};

} // namespace

TEST_F(SystemKeysTest, ReadsTheToggleStatesOnceAtConstruction)
{
    SetKeys(0x81, 0x00, 0x01);
    TQELSystemKeys keys(nullptr);
    EXPECT_TRUE(keys.CapsLock());
    EXPECT_FALSE(keys.NumLock());
    EXPECT_TRUE(keys.ScrollLock());
    SetKeys(0x00, 0x01, 0x00);
    EXPECT_TRUE(keys.CapsLock());
    EXPECT_FALSE(keys.NumLock());
}

TEST_F(SystemKeysTest, SettingAKeyReplacesItsWholeEntryAndIsRemembered)
{
    SetKeys(0x80, 0x81, 0x01);
    TQELSystemKeys keys(nullptr);
    keys.SetCapsLock(true);
    keys.SetNumLock(false);
    keys.SetScrollLock(false);
    const TKeyboardState state = KeyboardState();
    EXPECT_EQ(state[VK_CAPITAL], 0x01); // the key-down bit is cleared
    EXPECT_EQ(state[VK_NUMLOCK], 0x00);
    EXPECT_EQ(state[VK_SCROLL], 0x00);
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
    EXPECT_TRUE(keys.CapsLock());
    EXPECT_FALSE(keys.NumLock());
    EXPECT_FALSE(keys.ScrollLock());

    // The user switches Caps Lock off: the property keeps what was set.
    SetKeys(0x00, 0x00, 0x00);
    EXPECT_TRUE(keys.CapsLock());
}

TEST_F(SystemKeysTest, TheStatesAreNeverStored)
{
    TDesktopRoot root(nullptr);
    auto* keys = new TQELSystemKeys(&root);
    keys->SetName("Keys1");
    keys->SetCapsLock(true);
    const std::string written = WriteComponentText(root);
    EXPECT_NE(written.find("Keys1: TQELSystemKeys"), std::string::npos);
    EXPECT_EQ(written.find("Lock"), std::string::npos);
}
