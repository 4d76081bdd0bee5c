#include "files_fixture.h"

#include <algorithm>

#include "analysis/statistics.h"
#include "codec/encoder.h"
#include "wave/source.h"

namespace corvane::uitest {

void FilesTest::SetUp() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    startFolder_ = folder;
    MainWindowTest::SetUp();
}

void FilesTest::TearDown() {
    MainWindowTest::TearDown();
    SetCurrentDirectoryW(startFolder_.c_str());
}

std::vector<SeenDialog> FilesTest::RunCommand(int id, std::vector<Answer> answers) {
    DialogWatcher watcher(std::move(answers));
    SendCommand(id);
    return watcher.Finish();
}

std::vector<std::uint8_t> WanderingWav(int roughness, std::size_t count) {
    std::vector<std::uint8_t> data(count);
    std::uint32_t random = 12345;
    int level = 128;
    for (std::uint8_t& sample : data) {
        random = random * 1103515245u + 12345u;
        level += static_cast<int>((random >> 16) % (2u * roughness + 1)) - roughness;
        level = std::clamp(level, 0, 255);
        sample = static_cast<std::uint8_t>(level);
    }
    return WavBytes({.data = std::move(data)});
}

std::vector<std::uint8_t> FloatWav() {
    return WavBytes({.format = 3, .bitsPerSample = 32, .data = std::vector<std::uint8_t>(400)});
}

StepTable DerivedTable(const std::vector<std::uint8_t>& wav) {
    const LoadedSource loaded = LoadSourceBytes(wav);
    const DifferenceStats stats = ComputeDifferenceStats(SamplesOf(loaded.image));
    return DeriveStepTable(stats.gainSpanLow, stats.gainSpanHigh);
}

std::vector<std::uint8_t> PackedBytes(const std::vector<std::uint8_t>& wav,
                                      const StepTable& table) {
    return PackSamples(SamplesOf(LoadSourceBytes(wav).image), table).file;
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::vector<std::uint8_t> bytes(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((WithoutSeparator(folder) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> ListEntries() {
    std::vector<std::wstring> entries;
    const int count = static_cast<int>(SendMessageW(App().SourceList, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[1024] = {};
        SendMessageW(App().SourceList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

std::wstring WithoutSeparator(std::wstring path) {
    if (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(WithoutSeparator(a).c_str(), WithoutSeparator(b).c_str()) == 0;
}

}  // namespace corvane::uitest
