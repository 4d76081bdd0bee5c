#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "app/app_state.h"
#include "codec/depacker_listing.h"
#include "files/atomic_write.h"
#include "files/dialog_support.h"
#include "files/files.h"

namespace corvane {

void SaveDepacker() {
    AppState& app = App();
    const std::wstring& initialFolder = !app.OutputPath.empty()     ? app.OutputPath
                                        : !app.SourceFolder.empty() ? app.SourceFolder
                                                                    : app.StartupFolder;
    const std::optional<SaveChoice> choice =
        AskSavePath(kTextFilter, L"Depacker.txt", initialFolder);
    if (!choice) return;
    // The folder, not the file: a following batch's browser can preselect only a folder.
    app.OutputPath = choice->Folder();

    const std::string listing = DepackerListing();
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(listing.data()),
                                              listing.size());
    std::wstring error;
    if (!WriteFileReplacing(choice->path, bytes, error)) {
        ReportNotSaved(L"The depacker listing was not saved: writing " + choice->path +
                       L" failed: " + error + L".");
    }
}

}  // namespace corvane
