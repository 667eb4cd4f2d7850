// tikomat-emulator: plays the timing module on a pseudo-terminal.
//
//   tikomat-emulator [--link PATH] [--script TEXT | --file PATH] [--after-x] [--stream] [--quiet]
//
// It reads keys: 1 and 2 send a passage through FB1 or FB2 (the beam
// interrupted for 40 ms), a to d send that state, q ends.  A script is
// played first (with --after-x once the program has sent its first "X",
// that is, polls), then the last state is repeated at line rate (--stream)
// or keys are read.  Every written character is printed with the time of
// day it went on the wire.
#include "ModuleEmulator.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

bool quiet = false;
char lastState = 'A';

void Print(char c, int64_t at)
{
    if (quiet)
        return;
    const int64_t s = at / 1'000'000;
    std::printf("%02d:%02d:%02d.%06d %c\n", int(s / 3600), int(s / 60 % 60), int(s % 60), int(at % 1'000'000), c);
    std::fflush(stdout);
}

void Send(ModuleEmulator &module, const std::string &chars)
{
    const std::vector<int64_t> times = module.SendAtLineRate(chars);
    for (size_t i = 0; i < chars.size(); ++i)
        Print(chars[i], times[i]);
    if (!chars.empty())
        lastState = chars.back();
}

void Pause(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void Keys(ModuleEmulator &module)
{
    termios saved{};
    const bool terminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios raw = saved;
        raw.c_lflag &= tcflag_t(~(ICANON | ECHO));
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    std::fprintf(stderr, "Klávesy: 1 = průchod FB1, 2 = průchod FB2, a až d = stav, q = konec\n");
    char key = 0;
    while (::read(STDIN_FILENO, &key, 1) == 1 && key != 'q') {
        if (key == '1' || key == '2') {
            Send(module, key == '1' ? "B" : "C");
            Pause(40);
            Send(module, "A");
        } else if (key >= 'a' && key <= 'd') {
            Send(module, std::string(1, char(key - 'a' + 'A')));
        }
    }
    if (terminal)
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

int Usage()
{
    std::fprintf(stderr,
                 "Použití: tikomat-emulator [--link CESTA] [--script TEXT | --file SOUBOR] [--after-x] [--stream]"
                 " [--quiet]\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv)
{
    std::string link;
    std::string script;
    bool haveScript = false;
    bool stream = false;
    bool afterX = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--link" && i + 1 < argc) {
            link = argv[++i];
        } else if (arg == "--script" && i + 1 < argc) {
            script = argv[++i];
            haveScript = true;
        } else if (arg == "--file" && i + 1 < argc) {
            std::ifstream file(argv[++i]);
            if (!file) {
                std::fprintf(stderr, "Nelze otevřít soubor %s\n", argv[i]);
                return 1;
            }
            std::ostringstream text;
            text << file.rdbuf();
            script = text.str();
            haveScript = true;
        } else if (arg == "--after-x") {
            afterX = true;
        } else if (arg == "--stream") {
            stream = true;
        } else if (arg == "--quiet") {
            quiet = true;
        } else {
            return Usage();
        }
    }
    std::vector<ScriptStep> steps;
    std::string message;
    if (haveScript && !ParseScript(script, steps, message)) {
        std::fprintf(stderr, "Chyba ve skriptu, %s\n", message.c_str());
        return 1;
    }

    ModuleEmulator module;
    if (!module.ok()) {
        std::fprintf(stderr, "Nelze vytvořit pseudoterminál: %s\n", module.error().c_str());
        return 1;
    }
    if (!link.empty()) {
        ::unlink(link.c_str());
        if (::symlink(module.portPath().c_str(), link.c_str()) != 0) {
            std::fprintf(stderr, "Nelze vytvořit odkaz %s: %s\n", link.c_str(), std::strerror(errno));
            return 1;
        }
    }
    const std::string port = link.empty() ? module.portPath() : link;
    std::fprintf(stderr, "Modul čeká na %s\nexport TIKOMAT_EXTRA_PORTS='%s=KORVEL HUB'\n", port.c_str(), port.c_str());

    if (haveScript) {
        while (afterX && module.Received().empty())
            Pause(10);
        for (const ScriptStep &step : steps) {
            Send(module, step.chars);
            Pause(step.pauseMs);
        }
        // Line rate, for as long as the emulator runs: the last state again and
        // again.  What the program sends is taken in meanwhile, as the module
        // does: left unread it would fill the terminal and hold up its writes.
        while (stream) {
            Send(module, std::string(192, lastState));
            module.Received();
        }
    }
    Keys(module);
    const std::string received = module.Received();
    std::fprintf(stderr, "Přijato od programu: %zu bajtů\n", received.size());
    if (!link.empty())
        ::unlink(link.c_str());
    return 0;
}
