#pragma once
// What the tests of choosing and saving files share: source and output folders, test sounds,
// and the bytes the core makes of them.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/step_table.h"
#include "dialog_watcher.h"
#include "ui_test_helper.h"

namespace corvane::uitest {

class FilesTest : public MainWindowTest {
  protected:
    TempFolder source;
    TempFolder output;

    // Runs command `id` while a watcher gives `answers`; returns the dialogs seen.
    static std::vector<SeenDialog> RunCommand(int id, std::vector<Answer> answers);

    void SetUp() override;
    // The file dialogs make the chosen folder the current one; a current folder cannot be
    // removed, so the old one comes back before the test's folders go.
    void TearDown() override;

  private:
    std::wstring startFolder_;
};

// An 8-bit mono WAV file of `count` samples wandering by steps of up to `roughness`.
std::vector<std::uint8_t> WanderingWav(int roughness, std::size_t count = 4000);
// A WAV file that fails the format checks (floating-point samples).
std::vector<std::uint8_t> FloatWav();

// What the core makes of a WAV file: its own step table, and its packed file with `table`.
StepTable DerivedTable(const std::vector<std::uint8_t>& wav);
std::vector<std::uint8_t> PackedBytes(const std::vector<std::uint8_t>& wav, const StepTable& table);

std::vector<std::uint8_t> ReadBytes(const std::wstring& path);
// The names in `folder` (files and folders), sorted.
std::vector<std::wstring> NamesIn(const std::wstring& folder);
std::vector<std::wstring> ListEntries();
// `path` without its trailing backslash, as dialogs and the shell report folders.
std::wstring WithoutSeparator(std::wstring path);
bool SameFolder(const std::wstring& a, const std::wstring& b);

}  // namespace corvane::uitest
