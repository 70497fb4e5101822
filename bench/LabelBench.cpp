// Reading a description whose word-wrapped label holds a long caption of short words: the cost of one
// read of it against eight reads of a description an eighth of its size. Reading that grows linearly
// with the text keeps the ratio near 1; DrawText's own word breaking, which the label once used, took
// time quadratic in the caption.
#include "bench/Bench.h"

#include "framework/FormText.h"
#include "framework/Forms.h"

#include <memory>
#include <string>

namespace {

constexpr int Runs = 10;
constexpr std::size_t SmallCaption = 32 * 1024;
constexpr int Parts = 8;
constexpr double LinearTarget = 1.5;

// A form with a label of Width 0 whose caption is size characters of two-letter words.
std::string Description(std::size_t size)
{
    std::string caption;
    while (caption.size() < size)
        caption += "ab ";
    std::string text = "object Wrapped: TForm\n  object L: TLabel\n    WordWrap = True\n    Width = 0\n    Caption = ";
    for (std::size_t i = 0; i < caption.size(); i += 64)
        text += (i ? " +\n      '" : "'") + caption.substr(i, 64) + "'";
    return text + "\n  end\nend\n";
}

void Read(const std::string& description)
{
    const std::unique_ptr<TComponent> form(TReader(description).ReadComponent(Application));
}

void RunLabelBench()
{
    const std::string small = Description(SmallCaption);
    const std::string large = Description(SmallCaption * Parts);
    CompareWithRaw("8 x 32 KB against 256 KB", Runs,
                   [&] {
                       for (int i = 0; i < Parts; ++i)
                           Read(small);
                   },
                   [&] { Read(large); }, LinearTarget);
}

const bool Registered =
    RegisterBenchmark("Reading a word-wrapped label (TLabel): eight times the text", &RunLabelBench);

} // namespace
