#pragma once
// What a long encoding is told and tells while another thread waits for it: whether to stop,
// and how far it has got.
#include <atomic>

namespace corvane {

struct Progress {
    std::atomic<bool> stop{false};
    std::atomic<unsigned> permille{0};  // of the encoding under way, 0 to 1000

    bool Stopped() const { return stop.load(std::memory_order_relaxed); }
    void Report(unsigned done, unsigned total) {
        if (total != 0) permille.store(1000u * done / total, std::memory_order_relaxed);
    }
};

}  // namespace corvane
