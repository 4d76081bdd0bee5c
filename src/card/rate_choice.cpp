#include "card/rate_choice.h"

#include <charconv>

namespace corvane {
namespace {

std::optional<int> Number(std::string_view digits, int low, int high) {
    int value = 0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value);
    if (ec != std::errc() || ptr != end || value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace

std::optional<RateChoice> ParseRateChoice(std::string_view text) {
    using Kind = RateChoice::Kind;
    if (text == "source") return RateChoice{};
    if (text == "nearest") return RateChoice{Kind::Nearest};
    if (text.starts_with("note:")) {
        const auto note = Number(text.substr(5), kLowestNote, kHighestNote);
        if (note) return RateChoice{Kind::Note, *note};
        return std::nullopt;
    }
    const auto hertz = Number(text, 1000, 100000);
    if (hertz) return RateChoice{Kind::Hertz, 0, static_cast<std::uint32_t>(*hertz)};
    return std::nullopt;
}

std::string RateChoiceName(RateChoice choice) {
    switch (choice.kind) {
        case RateChoice::Kind::Source:
            return "source";
        case RateChoice::Kind::Note:
            return "note:" + std::to_string(choice.note);
        case RateChoice::Kind::Hertz:
            return std::to_string(choice.hertz);
        case RateChoice::Kind::Nearest:
            break;
    }
    return "nearest";
}

std::optional<LoopChoice> ParseLoopChoice(std::string_view text) {
    if (text == "keep") return LoopChoice::Keep;
    if (text == "cut") return LoopChoice::Cut;
    if (text == "ignore") return LoopChoice::Ignore;
    return std::nullopt;
}

std::string LoopChoiceName(LoopChoice choice) {
    return choice == LoopChoice::Keep ? "keep" : choice == LoopChoice::Cut ? "cut" : "ignore";
}

std::uint32_t RateFor(RateChoice choice, Rom rom, std::uint32_t sourceRate) {
    switch (choice.kind) {
        case RateChoice::Kind::Source:
            return 0;
        case RateChoice::Kind::Note:
            return HertzOf(rom, {choice.note, 0});
        case RateChoice::Kind::Hertz:
            return choice.hertz;
        case RateChoice::Kind::Nearest:
            break;
    }
    if (sourceRate == 0) return 0;  // refused as it is
    return HertzOf(rom, NearestNote(rom, sourceRate).note);
}

Preparation PreparationFor(RateChoice choice, Rom rom, LoopChoice loop) {
    Preparation how;
    how.loop = loop;
    if (choice.kind == RateChoice::Kind::Nearest) {
        how.rateFor = [rom](std::uint32_t sourceRate) {
            return RateFor({RateChoice::Kind::Nearest}, rom, sourceRate);
        };
    } else {
        how.rate = RateFor(choice, rom, 0);
    }
    return how;
}

}  // namespace corvane
