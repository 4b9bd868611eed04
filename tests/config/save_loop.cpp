// A program that saves the configuration over and over, with contents that change every time,
// for the test that kills it at random moments. Its registry holds three cursors that are never
// started. It runs until it is killed.
#include "config/config_file.h"

#include <random>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::mt19937 random(GetTickCount());
    for (int i = 0; i < 3; ++i)
        voxtrel::desktop.threads.push_back(new voxtrel::CursorThread);
    for (unsigned round = 0;; ++round) {
        for (voxtrel::CursorThread* entry : voxtrel::desktop.threads) {
            entry->cursor->centerX = static_cast<int>(round);
            entry->cursor->launches[round % 6].assign(
                std::string(random() % 2000, static_cast<char>('a' + round % 26)).c_str());
        }
        voxtrel::saveConfig();
    }
}
