// Explicit module start-up and shut-down: the program's entry names its
// modules in dependency order; they start in that order and shut down in
// the reverse order, never through static initialisers.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace ui {

struct TModuleInit {
    const char* Name;
    void (*StartUp)();   // may be null
    void (*ShutDown)();  // may be null
};

class TModuleList {
public:
    explicit TModuleList(std::vector<TModuleInit> modules) : modules_(std::move(modules)) {}
    ~TModuleList() { ShutDown(); }
    TModuleList(const TModuleList&) = delete;
    TModuleList& operator=(const TModuleList&) = delete;

    // Starts every module in order. When one fails, those already started
    // are shut down again and the error goes on to the caller.
    void StartUp();
    // Shuts the started modules down, last started first. Runs once.
    void ShutDown();

private:
    std::vector<TModuleInit> modules_;
    size_t started_ = 0;
};

}  // namespace ui
