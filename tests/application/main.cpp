// The application tests bring their own main: the executable also runs as its own child process, to
// read a form description in a process that a component may end (the orderly halt, the single-instance
// guard), with a probe component that shows how far the reading got.
#include "framework/FormText.h"
#include "framework/Forms.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string_view>

// Reports its Loaded and its destruction on standard output, with the number of probes still alive.
// In its Loaded it can hold the program up with the application's window made (Delay, in milliseconds,
// so that copies started together all have theirs before the next component counts them) and end the
// program (HaltCode, unless -1).
class TLoadProbe : public TComponent {
    QEL_CLASS(TLoadProbe)
public:
    explicit TLoadProbe(TComponent* owner) : TComponent(owner) { ++Live; }
    ~TLoadProbe() override
    {
        --Live;
        Print("destroyed " + Name() + " live=" + std::to_string(Live));
    }

    int Delay() const noexcept { return FDelay; }
    void SetDelay(int milliseconds) { FDelay = milliseconds; }
    int HaltCode() const noexcept { return FHaltCode; }
    void SetHaltCode(int code) { FHaltCode = code; }

protected:
    void Loaded() override
    {
        TComponent::Loaded();
        Print("loaded " + Name());
        if (FDelay > 0) {
            (void)Application->Handle();
            Sleep(static_cast<DWORD>(FDelay));
        }
        if (FHaltCode != -1)
            Halt(FHaltCode);
    }

private:
    static void Print(const std::string& line)
    {
        std::puts(line.c_str());
        std::fflush(stdout);
    }

    static inline int Live = 0;
    int FDelay = 0;
    int FHaltCode = -1;
};

QEL_CLASS_INFO(TLoadProbe, TComponent)
{
    return {
        Prop("Delay", &TLoadProbe::Delay, &TLoadProbe::SetDelay).Default(0),
        Prop("HaltCode", &TLoadProbe::HaltCode, &TLoadProbe::SetHaltCode).Default(-1),
    };
}

namespace {

// `--read-form FILE` reads the description, owned by the application object, says so and ends with 3;
// `--run-form FILE` says so and then handles messages until it is killed.
int ReadFormChild(std::string_view mode, const char* fileName)
{
    try {
        std::ifstream file(fileName, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        TReader(text.str()).ReadComponent(Application);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "form child: %s\n", e.what());
        return 2;
    }
    std::puts("read to the end");
    std::fflush(stdout);
    if (mode == "--read-form")
        return 3;
    for (;;)
        Application->HandleMessage();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && (std::string_view(argv[1]) == "--read-form" || std::string_view(argv[1]) == "--run-form"))
        return ReadFormChild(argv[1], argv[2]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
