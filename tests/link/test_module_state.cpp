// The module's state as the indicator on the timing page reads it from the
// link controller's signals: what a sequence of signals leaves it in, and the
// time of the last impulse.
#include "ModuleState.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

using State = ModuleState::State;

// One signal of the link controller.
struct Step {
    enum Kind { ConnectEnabled, Cursor } kind;
    bool enabled = false;
    LinkCursor cursor = LinkCursor::Default;
};

Step Enabled(bool enabled)
{
    return {Step::ConnectEnabled, enabled, LinkCursor::Default};
}
Step CursorTo(LinkCursor cursor)
{
    return {Step::Cursor, false, cursor};
}

struct Case {
    const char *name;
    std::vector<Step> steps;
    State expected;
};

void PrintTo(const Case &c, std::ostream *out)
{
    *out << c.name;
}

class ModuleStateSequence : public ::testing::TestWithParam<Case> {};

TEST_P(ModuleStateSequence, EndsIn)
{
    ModuleState state;
    for (const Step &step : GetParam().steps) {
        if (step.kind == Step::ConnectEnabled)
            state.ConnectEnabledChanged(step.enabled);
        else
            state.CursorChanged(step.cursor);
    }
    EXPECT_EQ(state.state(), GetParam().expected);
}

const LinkCursor Wait = LinkCursor::Wait;
const LinkCursor Open = LinkCursor::Background;
const LinkCursor Plain = LinkCursor::Default;

INSTANTIATE_TEST_SUITE_P(
    Link, ModuleStateSequence,
    ::testing::Values(
        Case{"NothingYet", {}, State::Disconnected},
        // The first search is not a lost module: nothing was connected yet.
        Case{"FirstSearch", {Enabled(false), CursorTo(Wait)}, State::Disconnected},
        Case{"Found", {Enabled(false), CursorTo(Wait), CursorTo(Open)}, State::Connected},
        Case{"NotFoundAtFirstSearch",
             {Enabled(false), CursorTo(Wait), CursorTo(Plain), CursorTo(Plain), Enabled(true)},
             State::Disconnected},
        // Unplugged while polled: the link searches again, and between
        // searches shows the plain cursor; both are "lost".
        Case{"LostSearching", {Enabled(false), CursorTo(Open), CursorTo(Wait)}, State::Lost},
        Case{"LostBetweenSearches", {Enabled(false), CursorTo(Open), CursorTo(Wait), CursorTo(Plain)}, State::Lost},
        Case{"FoundAgain", {Enabled(false), CursorTo(Open), CursorTo(Wait), CursorTo(Open)}, State::Connected},
        Case{"Disconnected", {Enabled(false), CursorTo(Open), Enabled(true)}, State::Disconnected},
        // The thread's last signals after "Odpojit" must not bring back a
        // connected or lost module that nobody wants any more.
        Case{"LateSignalsAfterDisconnect",
             {Enabled(false), CursorTo(Open), Enabled(true), CursorTo(Open), CursorTo(Plain)},
             State::Disconnected},
        // A new connect after a lost one starts afresh: its first search is
        // not "lost" again.
        Case{"ReconnectAfterDisconnect",
             {Enabled(false), CursorTo(Open), CursorTo(Wait), Enabled(true), Enabled(false), CursorTo(Wait)},
             State::Disconnected}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ModuleState, TextsNameEachState)
{
    EXPECT_EQ(ModuleState::Text(State::Connected), QStringLiteral("Modul připojen"));
    EXPECT_EQ(ModuleState::Text(State::Disconnected), QStringLiteral("Modul odpojen"));
    EXPECT_EQ(ModuleState::Text(State::Lost), QStringLiteral("Spojení ztraceno – hledám modul…"));
}

TEST(ModuleState, KeepsTheLastImpulseAcrossStates)
{
    ModuleState state;
    QSignalSpy changed(&state, &ModuleState::changed);
    EXPECT_EQ(state.lastImpulseText(), QString());

    state.ConnectEnabledChanged(false);
    state.CursorChanged(LinkCursor::Background);
    state.ImpulseReceived(12 * 3600000 + 34 * 60000 + 56789);
    EXPECT_EQ(state.lastImpulseText(), QStringLiteral("Poslední impuls 12:34:56,789"));
    // Losing the module, or disconnecting, does not forget when it last spoke.
    state.CursorChanged(LinkCursor::Wait);
    state.ConnectEnabledChanged(true);
    EXPECT_EQ(state.lastImpulseText(), QStringLiteral("Poslední impuls 12:34:56,789"));
    EXPECT_EQ(changed.count(), 4);  // connected, impulse, lost, disconnected
}

}  // namespace
