// Helpers of the form-behaviour tests: a fixture that turns every exception the application reports
// into a record (and a failure, unless the test takes it out), a sizeable form on the screen, and
// captures of the whole screen.
#pragma once

#include "framework/Forms.h"
#include "tests/framework/WindowTesting.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace FormTesting {

struct TErrorReport {
    TObject* Sender;
    std::string Message;
};

// A fixture with a form of 300 x 200 at (200, 150), not yet shown, owned by the application. What
// reaches Application->HandleException goes to Errors; a test that expects a report takes it out,
// any other one fails the test.
class TFormTest : public testing::Test, public TObject {
protected:
    TFormTest();
    ~TFormTest() override;
    void TearDown() override;

    // Sends a message to the form's window and returns the answer.
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    TForm* Form;
    std::vector<TErrorReport> Errors;

private:
    void Reported(TObject* sender, Exception& e);
};

// The names of a class's published properties, inherited ones first.
std::vector<std::string> PropertyNames(TClass cls);

// The pixels of the whole screen, one 32-bit value each, row by row.
std::vector<std::uint32_t> CaptureScreen();
// Puts a capture back on the screen.
void PaintScreen(const std::vector<std::uint32_t>& pixels);
// How many pixels differ between two captures of the screen.
std::size_t DifferentPixels(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);

} // namespace FormTesting
