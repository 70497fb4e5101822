// The form class is the one qel design wrote into Designed.h; this unit defines the handlers it
// declares, reads the description (the path in the first argument) into the form, shows it and
// closes it, and each handler called says so.
#include "Designed.h"

#include "framework/FormText.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

void Say(TObject* sender, const char* handler)
{
    std::printf("%s: %s\n", handler, static_cast<TComponent*>(sender)->Name().c_str());
    std::fflush(stdout);
}

} // namespace

void TDesignedForm::DesignedClose(TObject* sender, TCloseAction&)
{
    Say(sender, "DesignedClose");
}

void TDesignedForm::FormSaver1Store(TObject* sender)
{
    Say(sender, "FormSaver1Store");
}

void TDesignedForm::FormSaver1Restore(TObject* sender)
{
    Say(sender, "FormSaver1Restore");
}

void TDesignedForm::GuardExceeded(TObject* sender, int)
{
    Say(sender, "GuardExceeded");
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    std::ifstream file(argv[1], std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    try {
        TDesignedForm* form = nullptr;
        Application->CreateForm(form);
        TReader(text.str()).ReadRootComponent(form);
        form->Show();
        Application->ProcessMessages();
        form->Close();
        Application->ProcessMessages();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "designed: %s\n", e.what());
        return 1;
    }
}
