#include "card/bank.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <numeric>
#include <set>
#include <thread>

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
    sample.loopProblem = prepared.loopProblem;
    return sample;
}

std::vector<BankPacking> PackBankSources(std::vector<BankSource> sources, Rom rom) {
    std::vector<BankPacking> results(sources.size());
    std::atomic<std::size_t> next = 0;
    const auto work = [&] {
        for (std::size_t i; (i = next++) < sources.size();) {
            BankSource& source = sources[i];
            try {
                const LoadedSource loaded = LoadSourceInPlace(std::move(source.bytes), source.how);
                results[i].refusal = BankRefusal(loaded);
                results[i].loopProblem = loaded.loopProblem;
                if (results[i].refusal != Refusal::None) continue;
                results[i].sample = PackForBank(source.name, loaded, source.encoder, rom);
                results[i].sample->equate = source.equate;
                results[i].sample->path = source.path;
            } catch (const std::bad_alloc&) {
                results[i] = {std::nullopt, Refusal::OutOfMemory};
            }
        }
    };
    const std::size_t threads =
        std::min<std::size_t>(sources.size(), std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    return results;
}

Refusal BankRefusal(const LoadedSource& source) {
    const Refusal refusal = StoreRefusal(source);
    if (refusal != Refusal::None) return refusal;
    return PackedDataLength(SamplesOf(source.image).size()) == 0 ? Refusal::NoCardSamples
                                                                 : Refusal::None;
}

std::vector<Placement> PlaceInPages(const std::vector<std::size_t>& sizes) {
    std::vector<Placement> placements;
    std::size_t at = 0;  // from the first page's start
    for (const std::size_t size : sizes) {
        // The table's 11 bytes must share one 256-byte page: a low byte of at most #F3.
        if ((at & 0xFF) > kLoadAddressLowByteMax) at = (at | 0xFF) + 1;
        placements.push_back(
            {at / kHostPageBytes, static_cast<std::uint16_t>(kPageAddress + at % kHostPageBytes)});
        at += size;
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

Bank LayOutBank(std::vector<BankSample> samples, CardMemory memory, std::string_view name,
                BankOptions options) {
    Bank bank;
    bank.name = name;
    bank.firstPage = options.firstPage;
    bank.memory = memory;
    bank.budget.reserved = options.reserve;
    bank.label = BankLabelOf(name);
    bank.samples = std::move(samples);
    std::vector<std::size_t> sizes;
    std::vector<std::string> names, given;
    for (const BankSample& sample : bank.samples) {
        sizes.push_back(sample.file.size());
        names.push_back(sample.name);
        given.push_back(sample.equate);
    }
    bank.placements = PlaceInPages(sizes);
    const std::vector<std::string> equates = EquatesOf(names, bank.label, given);
    BankBudget& budget = bank.budget;
    for (std::size_t i = 0; i < bank.samples.size(); ++i) {
        bank.samples[i].equate = equates[i];
        budget.sampleBytes += 4 * DataLengthOf(bank.samples[i].file);
    }
    if (!bank.samples.empty()) {
        const Placement& last = bank.placements.back();
        const std::size_t end = last.page * kHostPageBytes + (last.address - kPageAddress) +
                                bank.samples.back().file.size();
        budget.pages = (end + kHostPageBytes - 1) / kHostPageBytes;
    }
    budget.effects = bank.samples.size();
    budget.needed = budget.sampleBytes + budget.reserved + kCardBytesPerSample * budget.effects +
                    kCardBytesKeptFree;
    budget.capacity = CardCapacity(memory);
    budget.loadTStates = LoaderTStates(bank);
    return bank;
}

std::vector<std::vector<std::uint8_t>> PageImages(const Bank& bank) {
    std::vector<std::uint8_t> all;  // the pages one after another
    for (std::size_t i = 0; i < bank.samples.size(); ++i) {
        const Placement& at = bank.placements[i];
        all.resize(at.page * kHostPageBytes + (at.address - kPageAddress), 0);
        all.insert(all.end(), bank.samples[i].file.begin(), bank.samples[i].file.end());
    }
    std::vector<std::vector<std::uint8_t>> pages;
    for (std::size_t from = 0; from < all.size(); from += kHostPageBytes) {
        const auto first = all.begin() + static_cast<std::ptrdiff_t>(from);
        pages.emplace_back(first, first + static_cast<std::ptrdiff_t>(
                                              std::min(kHostPageBytes, all.size() - from)));
    }
    return pages;
}

std::vector<BankFile> BankFiles(const Bank& bank) {
    const std::string listing = BankListing(bank);
    std::vector<BankFile> files = {{".asm", {listing.begin(), listing.end()}}};
    auto pages = PageImages(bank);
    for (std::size_t page = 0; page < pages.size(); ++page) {
        files.push_back({PageFileEnding(bank, page), std::move(pages[page])});
    }
    return files;
}

std::string PageFileEnding(const Bank& bank, std::size_t page) {
    return "." + std::to_string(bank.firstPage + page) + ".bin";
}

}  // namespace corvane
