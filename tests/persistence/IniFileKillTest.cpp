// Writers of an INI file killed at random moments while they write through a data store. Set
// QEL_INI_KILLS to kill more of them (make soak); QEL_INI_KILL_SEED repeats a run.
#include "framework/IniFiles.h"

#include "framework/StringList.h"
#include "framework/Win32.h"
#include "tests/persistence/ChildProcess.h"
#include "tests/persistence/PersistenceTestSupport.h"

#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

// After every kill the file holds every value written before the write that was cut (and that one
// only whole or not at all), the other section exactly as it was, and nothing of the temporary file
// the cut write may have left; the next writer removes that.
TEST(IniFileKills, AWriterKilledAtARandomMomentLosesNothingItHadWritten)
{
    const auto kills = static_cast<int>(EnvironmentNumber("QEL_INI_KILLS", 24));
    const auto seed = static_cast<std::uint32_t>(EnvironmentNumber("QEL_INI_KILL_SEED", std::random_device{}()));
    std::mt19937 random(seed);
    TTempIniFile file;
    const std::string temp = file.Path() + ".qeltmp";
    const std::string other = "[Other]\r\n  Kept = as it was  \r\n; said once\r\n\r\n";
    file.SetContent(other + "[Loop]\r\n");

    std::vector<int> kept; // the entries of each round the file holds
    int tempsLeft = 0;
    auto prefix = [](int round) { return "R" + std::to_string(round) + "_"; };
    auto next = std::make_unique<TIniLoopWriter>(file.Path(), "Loop", prefix(0));
    for (int round = 0; round < kills; ++round) {
        const std::unique_ptr<TIniLoopWriter> writer = std::move(next);
        writer->Start();
        // The next writer starts while this one writes.
        if (round + 1 < kills)
            next = std::make_unique<TIniLoopWriter>(file.Path(), "Loop", prefix(round + 1));
        const int reported = writer->KillAfter(std::uniform_int_distribution<DWORD>(0, 25)(random));
        const std::string trace = "seed " + std::to_string(seed) + ", round " + std::to_string(round) + ", " +
                                  std::to_string(reported) + " writes reported";
        tempsLeft += GetFileAttributesA(temp.c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;

        const std::string content = file.Content();
        ASSERT_EQ(content.substr(0, other.size()), other) << trace;
        TStringList lines;
        TIniFile(file.Path()).ReadSectionValues("Loop", lines);
        std::map<std::string, std::string> values;
        for (int i = 0; i < lines.Count(); ++i) {
            const std::string line = lines[i];
            values[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        }
        int written = 0;
        while (values.contains(prefix(round) + std::to_string(written)))
            ++written;
        ASSERT_GE(written, reported) << trace << "\n" << content;
        ASSERT_LE(written, reported + 1) << trace << "\n" << content;
        kept.push_back(written);
        std::size_t total = 0;
        for (int past = 0; past <= round; ++past) {
            for (int i = 0; i < kept[past]; ++i)
                ASSERT_EQ(values[prefix(past) + std::to_string(i)], IniLoopValue(i))
                    << trace << ", entry of round " << past;
            total += static_cast<std::size_t>(kept[past]);
        }
        ASSERT_EQ(values.size(), total) << trace << "\n" << content;
    }
    TIniFile(file.Path()).WriteString("Loop", "Last", "1");
    EXPECT_EQ(GetFileAttributesA(temp.c_str()), INVALID_FILE_ATTRIBUTES);
    int writes = 0;
    for (int count : kept)
        writes += count;
    std::cout << kills << " writers killed after " << writes << " writes in all; " << tempsLeft
              << " left a temporary file behind\n";
}

} // namespace
