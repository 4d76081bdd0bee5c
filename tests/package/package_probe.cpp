// Reads back what Explorer shows of the released programs, and closes Corvane's window, for
// scripts/check-package.sh (run under Wine):
//   corvane_package_probe version FILE.exe   the version resource's strings and the icon sizes
//   corvane_package_probe close              waits for Corvane's window, says whether it is
//                                            visible, and closes it
// (The window's icon is read from X by the script: under Wine, GetClassLongPtrW(GCLP_HICON)
// answers 0 for another process's window, and WM_GETICON only returns icons set by WM_SETICON.)
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void Print(const std::wstring& text) {
    std::string out(static_cast<size_t>(text.size()) * 4 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                      out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    std::fwrite(out.data(), 1, static_cast<size_t>(n), stdout);
    std::fputc('\n', stdout);
}

int Version(const wchar_t* file) {
    DWORD ignored = 0;
    std::string block(GetFileVersionInfoSizeW(file, &ignored), '\0');
    if (block.empty() ||
        !GetFileVersionInfoW(file, 0, static_cast<DWORD>(block.size()), block.data())) {
        Print(L"no version resource");
        return 1;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size)) {
        Print(L"FILEVERSION=" + std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
              std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
              std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
              std::to_wstring(LOWORD(fixed->dwFileVersionLS)));
    }
    for (const wchar_t* name : {L"FileVersion", L"ProductVersion", L"ProductName",
                                L"FileDescription", L"LegalCopyright", L"OriginalFilename"}) {
        wchar_t* value = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        if (VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &size) &&
            size > 0)
            Print(std::wstring(name) + L"=" + value);
    }
    // The icon group Explorer shows: the widths of its images.
    HMODULE module = LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC group = module ? FindResourceW(module, L"CORVANE", RT_GROUP_ICON) : nullptr;
    const DWORD length = group ? SizeofResource(module, group) : 0;
    if (length >= 6) {
        const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
        std::wstring sizes;
        for (DWORD at = 6; at + 14 <= length && at < 6 + 14u * (dir[4] | dir[5] << 8); at += 14)
            sizes += (at > 6 ? L"," : L"") + std::to_wstring(dir[at]);
        Print(L"Icon=" + sizes);
    }
    return 0;
}

int Close() {
    HWND window = nullptr;
    for (int i = 0; i < 600 && window == nullptr; ++i) {  // up to a minute for Wine to start it
        window = FindWindowW(nullptr, L"Corvane");
        if (window == nullptr) Sleep(100);
    }
    if (window == nullptr) {
        Print(L"no window");
        return 1;
    }
    Print(IsWindowVisible(window) ? L"visible" : L"hidden");
    return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"version") return Version(argv[2]);
    if (argc == 2 && std::wstring(argv[1]) == L"close") return Close();
    Print(L"usage: corvane_package_probe version FILE.exe | close");
    return 2;
}
