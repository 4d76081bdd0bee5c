#pragma once
// What a long encoding is told and tells while another thread waits for it: whether to stop,
// and how far it has got.
#include <atomic>
#include <cstddef>

namespace corvane {

struct Progress {
    std::atomic<bool> stop{false};
    std::atomic<unsigned> permille{0};  // of the encoding under way, 0 to 1000
    // The part of the whole that the stage under way reports into; the working thread's own.
    unsigned stageFrom = 0, stageTo = 1000;

    bool Stopped() const { return stop.load(std::memory_order_relaxed); }
    void Report(std::size_t done, std::size_t total) {
        if (total == 0) return;
        permille.store(stageFrom + static_cast<unsigned>((stageTo - stageFrom) * done / total),
                       std::memory_order_relaxed);
    }
};

}  // namespace corvane
