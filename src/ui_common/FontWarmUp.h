// Reading the desktop's font configuration is a good third of start-up and needs no display. Made
// before the application object exists, a FontWarmUp reads it on a worker thread while the
// application connects to the display; Wait() before the first text is laid out.
#pragma once

#include <thread>

class FontWarmUp {
  public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    void Wait();

  private:
    std::thread worker_;
};
