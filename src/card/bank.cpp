#include "card/bank.h"

#include <algorithm>
#include <numeric>
#include <set>

#include "analysis/statistics.h"
#include "analysis/step_table.h"
#include "card/asm_names.h"
#include "card/bank_loader.h"
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
    sample.loopKind = prepared.loopKind;
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

Bank LayOutBank(std::vector<BankSample> samples, CardMemory memory, std::string_view name) {
    std::vector<std::size_t> sizes;
    for (const BankSample& sample : samples) sizes.push_back(sample.file.size());
    const std::vector<Placement> placements = PlaceInPages(sizes);
    std::vector<std::size_t> order(samples.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::pair(placements[a].page, placements[a].address) <
               std::pair(placements[b].page, placements[b].address);
    });
    Bank bank;
    bank.name = name;
    bank.label = BankLabelOf(name);
    std::vector<std::string> names;
    for (const std::size_t i : order) {
        bank.samples.push_back(std::move(samples[i]));
        bank.placements.push_back(placements[i]);
        names.push_back(bank.samples.back().name);
    }
    const std::vector<std::string> equates = EquatesOf(names, bank.label);
    BankBudget& budget = bank.budget;
    for (std::size_t i = 0; i < bank.samples.size(); ++i) {
        bank.samples[i].equate = equates[i];
        budget.sampleBytes += 4 * DataLengthOf(bank.samples[i].file);
        budget.pages = std::max(budget.pages, bank.placements[i].page + 1);
    }
    budget.effects = bank.samples.size();
    budget.needed = budget.sampleBytes + kCardBytesPerSample * budget.effects + kCardBytesKeptFree;
    budget.capacity = CardCapacity(memory);
    budget.loadTStates = LoaderTStates(bank);
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

std::vector<BankFile> BankFiles(const Bank& bank) {
    const std::string listing = BankListing(bank);
    std::vector<BankFile> files = {{".asm", {listing.begin(), listing.end()}}};
    auto pages = PageImages(bank);
    for (std::size_t page = 0; page < pages.size(); ++page) {
        files.push_back({"." + std::to_string(page) + ".bin", std::move(pages[page])});
    }
    return files;
}

}  // namespace corvane
