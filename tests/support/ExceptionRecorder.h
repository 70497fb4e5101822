// Takes the application's exception handling for its lifetime and writes down what reaches it:
// each sender and message, in order. Gives Application->OnException back empty when it goes.
#pragma once

#include "framework/Forms.h"

#include <string>
#include <vector>

class TExceptionRecorder : public TObject {
public:
    TExceptionRecorder() { Application->SetOnException(TExceptionEvent(this, &TExceptionRecorder::Raised)); }
    ~TExceptionRecorder() override { Application->SetOnException({}); }

    std::vector<TObject*> Senders;
    std::vector<std::string> Messages;

private:
    void Raised(TObject* sender, Exception& e)
    {
        Senders.push_back(sender);
        Messages.push_back(e.Message());
    }
};
