// SPDX-License-Identifier: ISC
// A progress bar on stderr, only when someone is watching it and the work
// takes long enough to be worth watching.
#pragma once

#include <chrono>

class ProgressBar {
  public:
    // Shown only when stderr is a terminal.
    ProgressBar();
    // Clears the bar from the terminal, if it was drawn.
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Draws the share of the work done, from 0 to 1. Calls must not overlap.
    void operator()(double share);

  private:
    static constexpr std::chrono::milliseconds kQuietTime{500};
    bool shown;
    std::chrono::steady_clock::time_point start;
    int drawn = -1;
};
