#include "ModuleEmulator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pty.h>
#include <sstream>
#include <termios.h>
#include <thread>
#include <unistd.h>

ModuleEmulator::ModuleEmulator()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_error = std::string("openpty: ") + std::strerror(errno);
        m_master = m_slave = -1;
        return;
    }
    m_path = name;
    // Raw bytes both ways: no echo of "X", no line-end translation.
    termios raw{};
    tcgetattr(m_slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_slave, TCSANOW, &raw);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

ModuleEmulator::~ModuleEmulator()
{
    Close();
}

void ModuleEmulator::Close()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

int64_t ModuleEmulator::MicrosecondsOfDay()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&secs, &local);
    const auto sinceSecond = duration_cast<microseconds>(now - system_clock::from_time_t(secs)).count();
    return ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * int64_t(1'000'000) + sinceSecond;
}

int64_t ModuleEmulator::Send(char c)
{
    if (m_master >= 0) {
        while (::write(m_master, &c, 1) < 0 && (errno == EINTR || errno == EAGAIN))
            std::this_thread::yield();
    }
    return MicrosecondsOfDay();
}

std::vector<int64_t> ModuleEmulator::SendAtLineRate(std::string_view chars)
{
    using namespace std::chrono;
    std::vector<int64_t> times;
    times.reserve(chars.size());
    const auto start = steady_clock::now();
    for (size_t i = 0; i < chars.size(); ++i) {
        // Exactly at line rate, counted from the first character, so that
        // the schedule neither drifts nor runs ahead of the wire.
        const auto due = start + nanoseconds(int64_t(i) * 1'000'000'000 / CharactersPerSecond);
        std::this_thread::sleep_until(due);
        const int64_t written = Send(chars[i]);
        // The module's clock runs on its own: when this thread is held up (a
        // busy or stopped machine), the characters due meanwhile go out at
        // once, as a converter hands on what it buffered, and each is noted
        // at the moment it was due on the wire.
        const int64_t lateUs = duration_cast<microseconds>(steady_clock::now() - due).count();
        times.push_back(written - std::max<int64_t>(lateUs, 0));
    }
    return times;
}

std::string ModuleEmulator::Received()
{
    char buffer[4096];
    while (m_master >= 0) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        m_received.append(buffer, size_t(n));
    }
    return m_received;
}

bool ParseScript(std::string_view text, std::vector<ScriptStep> &steps, std::string &message)
{
    std::istringstream lines{std::string(text)};
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            if (word.find_first_not_of("ABCD") == std::string::npos) {
                if (steps.empty() || steps.back().pauseMs != 0)
                    steps.push_back({});
                steps.back().chars += word;
                continue;
            }
            const auto digits = word.size() > 2 ? word.find_first_not_of("0123456789") : 0;
            if (digits > 0 && digits <= 7 && digits + 2 == word.size() && word.compare(digits, 2, "ms") == 0) {
                if (steps.empty())
                    steps.push_back({});
                steps.back().pauseMs += std::stoi(word.substr(0, digits));
                continue;
            }
            message = "řádek " + std::to_string(lineNumber) + ": nelze přečíst \"" + word +
                      "\" (písmena A až D nebo pauza, např. 250ms)";
            return false;
        }
    }
    return true;
}
