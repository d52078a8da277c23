// The controls of a window nobody sees at start-up are built when they are first needed: when the
// window is first shown, or when a caller reaches into them. Start-up then only pays for what the
// first window on screen shows; what the creation steps read is kept until the controls exist.
#pragma once

#include <functional>
#include <utility>

class BuildOnce {
  public:
    explicit BuildOnce(std::function<void()> build) : build_(std::move(build)) {}

    // Builds unless done; a build that reaches back into its window does not start another.
    void Ensure() {
        if (!build_) return;
        const std::function<void()> build = std::move(build_);
        build_ = nullptr;
        build();
    }
    bool Done() const { return !build_; }

  private:
    std::function<void()> build_;
};
