#pragma once
// A stand-in for the timing module on a pseudo-terminal: the program opens
// the terminal's path as if it were the converter, the emulator writes state
// characters "A" to "D" into it and notes the exact moment each one went on
// the wire, and it collects what the program sends (the command "X").
//
// Used by the emulator program, the end-to-end tests and the benchmark.
// Plain POSIX and the standard library; it never touches the program's code.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ModuleEmulator {
public:
    // One character on the wire at 19200 baud is ten bits.
    static constexpr int64_t CharactersPerSecond = 1920;

    // Opens the pseudo-terminal; ok() tells whether that worked.
    ModuleEmulator();
    ~ModuleEmulator();
    ModuleEmulator(const ModuleEmulator &) = delete;
    ModuleEmulator &operator=(const ModuleEmulator &) = delete;

    bool ok() const { return m_master >= 0; }
    const std::string &error() const { return m_error; }
    // The path the program opens.
    const std::string &portPath() const { return m_path; }

    // Writes one character; returns the time of day, in microseconds, at
    // which the write returned.
    int64_t Send(char c);
    // Writes the characters one at a time at line rate, as the module does
    // whatever the PC is doing: characters whose moment passed while this
    // thread was held up go out at once.  The moment each was due on the
    // wire, in microseconds of the day.
    std::vector<int64_t> SendAtLineRate(std::string_view chars);

    // Every byte the program has sent so far (read without waiting).
    std::string Received();

    // Closes the terminal, as if the converter were unplugged.
    void Close();

    // Local time of day in microseconds: the same clock the program stamps by.
    static int64_t MicrosecondsOfDay();

private:
    void Write(std::string_view chars);

    int m_master = -1;
    int m_slave = -1;  // held open so the terminal stays up while the program reopens it
    std::string m_path;
    std::string m_error;
    std::string m_received;
};

// A script of the emulator program: letters A to D are sent at line rate,
// "<n>ms" pauses n milliseconds; items are separated by blanks or line ends,
// "#" starts a comment to the end of the line.  False with a message on a
// word it cannot read.
struct ScriptStep {
    std::string chars;  // sent at line rate
    int pauseMs = 0;    // then this pause
};
bool ParseScript(std::string_view text, std::vector<ScriptStep> &steps, std::string &message);
