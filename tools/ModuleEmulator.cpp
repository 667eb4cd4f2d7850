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

void ModuleEmulator::Write(std::string_view chars)
{
    while (m_master >= 0 && !chars.empty()) {
        const ssize_t n = ::write(m_master, chars.data(), chars.size());
        if (n > 0)
            chars.remove_prefix(size_t(n));
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            break;
        else if (n <= 0)
            std::this_thread::yield();
    }
}

int64_t ModuleEmulator::Send(char c)
{
    Write(std::string_view(&c, 1));
    return MicrosecondsOfDay();
}

std::vector<int64_t> ModuleEmulator::SendAtLineRate(std::string_view chars)
{
    using namespace std::chrono;
    std::vector<int64_t> times;
    times.reserve(chars.size());
    const auto start = steady_clock::now();
    // Exactly at line rate, counted from the first character, so that the
    // schedule neither drifts nor runs ahead of the wire.
    const auto due = [&](size_t i) { return start + nanoseconds(int64_t(i) * 1'000'000'000 / CharactersPerSecond); };
    size_t next = 0;
    while (next < chars.size()) {
        std::this_thread::sleep_until(due(next));
        // The module's clock runs on its own: when this thread was held up (a
        // busy or stopped machine), what fell due meanwhile goes out in one
        // piece, as a converter hands on what it buffered, and each character
        // is noted at the moment it was due on the wire.
        const auto now = steady_clock::now();
        size_t end = next + 1;
        while (end < chars.size() && due(end) <= now)
            ++end;
        Write(chars.substr(next, end - next));
        const int64_t written = MicrosecondsOfDay();
        const auto after = steady_clock::now();
        for (; next < end; ++next)
            times.push_back(written - duration_cast<microseconds>(after - due(next)).count());
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
            message = "řádek " + std::to_string(lineNumber) + ": nelze přečíst \"" + word
                      + "\" (písmena A až D nebo pauza, např. 250ms)";
            return false;
        }
    }
    return true;
}
