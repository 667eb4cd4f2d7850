// The emulator's scripts: letters at line rate, pauses, comments, and a
// clear message for what it cannot read; and its line rate itself.
#include "ModuleEmulator.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

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

namespace {

// Holds the thread it lands on, as a stalled machine holds a program.
void HoldUp(int)
{
    const timespec hold{0, 30'000'000};
    nanosleep(&hold, nullptr);
}

// The emulator plays a module, whose clock does not stop when the PC does:
// every character is noted at its moment on the wire's schedule, and what
// fell due while the sending thread was held up goes out at once.
TEST(Emulator, KeepsToTheWiresScheduleThroughAHoldUp)
{
    ModuleEmulator emulator;
    ASSERT_TRUE(emulator.ok()) << emulator.error();
    const int reader = ::open(emulator.portPath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    struct sigaction action {};
    action.sa_handler = HoldUp;
    sigaction(SIGUSR1, &action, nullptr);

    std::string sent;
    for (int i = 0; i < 200; ++i)
        sent += "ABCD"[i % 4];
    std::vector<int64_t> times;
    std::thread module([&] { times = emulator.SendAtLineRate(sent); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    pthread_kill(module.native_handle(), SIGUSR1);
    module.join();

    // 10 bits at 19200 baud: 520.8 µs a character, whatever held the sender
    // up; a clock read apart from its write may be off now and then.
    ASSERT_EQ(times.size(), sent.size());
    int onSchedule = 0;
    for (size_t i = 1; i < times.size(); ++i)
        onSchedule += std::abs(times[i] - times[i - 1] - 521) <= 100;
    EXPECT_GE(onSchedule, 190);

    std::string received;
    char buffer[256];
    for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
        received.append(buffer, size_t(n));
    EXPECT_EQ(received, sent);
    ::close(reader);
}

}  // namespace
