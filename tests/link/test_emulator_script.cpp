// The emulator's scripts: letters at line rate, pauses, comments, and a
// clear message for what it cannot read.
#include "ModuleEmulator.h"

#include <gtest/gtest.h>

namespace {

TEST(EmulatorScript, StepsAndErrors)
{
    const struct {
        const char *text;
        bool ok;
        std::vector<std::pair<std::string, int>> steps;  // characters, pause after them
    } cases[] = {
        {"A 500ms C 40ms A", true, {{"A", 500}, {"C", 40}, {"A", 0}}},
        {"AB CD\nA # a comment 5ms\n20ms 30ms", true, {{"ABCDA", 50}}},
        {"100ms A", true, {{"", 100}, {"A", 0}}},
        {"", true, {}},
        {"A x", false, {}},
        {"A\nab", false, {}},
        {"ms", false, {}},
        {"99999999ms", false, {}},
    };
    for (const auto &c : cases) {
        std::vector<ScriptStep> steps;
        std::string message;
        EXPECT_EQ(ParseScript(c.text, steps, message), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_NE(message.find("nelze přečíst"), std::string::npos) << c.text;
            continue;
        }
        ASSERT_EQ(steps.size(), c.steps.size()) << c.text;
        for (size_t i = 0; i < steps.size(); ++i) {
            EXPECT_EQ(steps[i].chars, c.steps[i].first) << c.text;
            EXPECT_EQ(steps[i].pauseMs, c.steps[i].second) << c.text;
        }
    }
}

}  // namespace
