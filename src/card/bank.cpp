#include "card/bank.h"

#include <algorithm>
#include <numeric>
#include <set>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "codec/depacker_listing.h"
#include "codec/packed_format.h"

namespace corvane {
namespace {

// The data bytes of a packed file: four samples each for the card.
std::size_t DataLengthOf(const std::vector<std::uint8_t>& file) {
    return file.size() - kPackedHeaderSize;
}

}  // namespace

BankSample PackForBank(std::string name, const LoadedSource& prepared, Encoder encoder, Rom rom,
                       Progress* progress) {
    const std::span<const std::uint8_t> samples = SamplesOf(prepared.image);
    const DifferenceStats stats = ComputeDifferenceStats(samples);
    BankSample sample;
    sample.name = std::move(name);
    sample.file =
        PackWithEncoder(encoder, samples, DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh),
                        nullptr, progress)
            .file;
    sample.pitch = NearestNote(rom, WaveHeader::From(prepared.image).SampleRate());
    if (prepared.loop) sample.loop = CardLoopOf(*prepared.loop, SamplesOf(prepared.image).size());
    return sample;
}

Refusal BankRefusal(const LoadedSource& source) {
    const Refusal refusal = StoreRefusal(source);
    if (refusal != Refusal::None) return refusal;
    const bool fits = PackedFileSize(SamplesOf(source.image).size()) <= kHostPageBytes;
    return fits ? Refusal::None : Refusal::LargerThanPage;
}

std::vector<Placement> PlaceInPages(const std::vector<std::size_t>& sizes) {
    std::vector<std::size_t> order(sizes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&sizes](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
    std::vector<std::size_t> used;  // bytes taken in each page so far
    std::vector<Placement> placements(sizes.size());
    for (const std::size_t i : order) {
        std::size_t page = 0;
        std::size_t at = 0;
        for (; page < used.size(); ++page) {
            at = used[page];
            // The table's 11 bytes must share one 256-byte page: a low byte of at most #F3.
            if ((at & 0xFF) > kLoadAddressLowByteMax) at = (at | 0xFF) + 1;
            if (at + sizes[i] <= kHostPageBytes) break;
        }
        if (page == used.size()) {
            used.push_back(0);
            at = 0;
        }
        used[page] = at + sizes[i];
        placements[i] = {page, static_cast<std::uint16_t>(kPageAddress + at)};
    }
    return placements;
}

std::optional<CardMemory> ParseCardMemory(std::string_view text) {
    if (text == "112k") return CardMemory::Basic;
    if (text == "466k") return CardMemory::Extended;
    return std::nullopt;
}

std::string CardMemoryName(CardMemory memory) {
    return memory == CardMemory::Basic ? "112k" : "466k";
}

std::size_t CardCapacity(CardMemory memory) {
    return (memory == CardMemory::Basic ? 112 : 466) * std::size_t{1024};
}

Bank LayOutBank(std::vector<BankSample> samples, CardMemory memory) {
    Bank bank;
    bank.samples = std::move(samples);
    std::vector<std::string> names;
    for (const BankSample& sample : bank.samples) names.push_back(sample.name);
    const std::vector<std::string> equates = EquatesOf(names);
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < bank.samples.size(); ++i) bank.samples[i].equate = equates[i];
    for (const BankSample& sample : bank.samples) {
        sizes.push_back(sample.file.size());
        bank.budget.sampleBytes += 4 * DataLengthOf(sample.file);
    }
    bank.placements = PlaceInPages(sizes);
    BankBudget& budget = bank.budget;
    budget.effects = bank.samples.size();
    budget.needed = budget.sampleBytes + kCardBytesPerSample * budget.effects + kCardBytesKeptFree;
    budget.capacity = CardCapacity(memory);
    for (const Placement& placement : bank.placements) {
        budget.pages = std::max(budget.pages, placement.page + 1);
    }
    return bank;
}

std::vector<std::vector<std::uint8_t>> PageImages(const Bank& bank) {
    std::vector<std::vector<std::uint8_t>> pages(bank.budget.pages);
    for (std::size_t i = 0; i < bank.samples.size(); ++i) {
        std::vector<std::uint8_t>& page = pages[bank.placements[i].page];
        const std::vector<std::uint8_t>& file = bank.samples[i].file;
        const std::size_t at = bank.placements[i].address - kPageAddress;
        if (page.size() < at + file.size()) page.resize(at + file.size(), 0);
        std::copy(file.begin(), file.end(), page.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return pages;
}

std::string LabelOf(std::string_view text) {
    std::string label;
    for (const char c : text) {
        const bool kept =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        label += kept ? c : '_';
    }
    return label;
}

std::string BankLabelOf(std::string_view name) {
    const std::string label = LabelOf(name);
    return label.empty() || (label[0] >= '0' && label[0] <= '9') ? "_" + label : label;
}

std::vector<std::string> EquatesOf(const std::vector<std::string>& fileNames) {
    std::vector<std::string> equates;
    std::set<std::string> taken;
    for (const std::string& name : fileNames) {
        const std::size_t slash = name.find_last_of("/\\");
        std::string stem = slash == std::string::npos ? name : name.substr(slash + 1);
        if (const std::size_t dot = stem.rfind('.'); dot != std::string::npos && dot > 0) {
            stem.resize(dot);
        }
        const std::string base = LabelOf(stem.empty() ? "sample" : stem);
        std::string equate = base;
        for (int n = 2; taken.contains(equate); ++n) equate = base + "_" + std::to_string(n);
        taken.insert(equate);
        equates.push_back(equate);
    }
    return equates;
}

std::vector<BankFile> BankFiles(const Bank& bank, std::string_view name) {
    const std::string listing = BankListing(bank, name);
    std::vector<BankFile> files = {{".asm", {listing.begin(), listing.end()}}};
    auto pages = PageImages(bank);
    for (std::size_t page = 0; page < pages.size(); ++page) {
        files.push_back({"." + std::to_string(page) + ".bin", std::move(pages[page])});
    }
    return files;
}

}  // namespace corvane
