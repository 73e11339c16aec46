#include "ui_win32/system_dialogs.h"

#include <commdlg.h>

#include <vector>

#include "form/window_texts.h"
#include "ui_win32/wide_text.h"

namespace tarnwick::ui_win32 {
namespace {

// Long paths: the dialog takes up to the system's longest path.
constexpr DWORD kPathRoom = 32768;

// The path in the ANSI code page; `lossy` tells whether a character had no
// code there and became '?'.
std::string ansiPath(const std::wstring& path, BOOL& lossy) {
  lossy = FALSE;
  if (path.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(),
                                       static_cast<int>(path.size()), nullptr, 0, nullptr, &lossy);
  if (size <= 0) return {};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), static_cast<int>(path.size()),
                      bytes.data(), size, nullptr, &lossy);
  return bytes;
}

}  // namespace

void showMessageBox(HWND owner, const std::wstring& text, BoxIcon icon, const std::wstring& title) {
  const UINT style = MB_OK | (icon == BoxIcon::Error ? MB_ICONERROR : 0);
  MessageBoxW(owner, text.c_str(), title.c_str(), style);
}

std::wstring dialogFilter(const std::string& filter) {
  std::wstring parts;
  for (const form::FileFilter& entry : form::parseFileFilter(filter)) {
    parts += wideFromLatin1(entry.description) + L'\0' + wideFromLatin1(entry.patterns) + L'\0';
  }
  return parts + L'\0';
}

std::wstring chooseFileToOpen(HWND owner, const std::string& filter, const std::wstring& folder) {
  const std::wstring filterText = dialogFilter(filter);
  std::vector<wchar_t> file(kPathRoom, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filterText.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kPathRoom;
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  // No read-only box: the file is only read anyway.
  dialog.Flags =
      OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_DONTADDTORECENT | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return {};
  return std::wstring(file.data());
}

std::string fileSystemPath(const std::wstring& path) {
  BOOL lossy = FALSE;
  const std::string bytes = ansiPath(path, lossy);
  if (!lossy) return bytes;
  std::vector<wchar_t> shortPath(kPathRoom, L'\0');
  const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), kPathRoom);
  if (length > 0 && length < kPathRoom) {
    BOOL shortLossy = FALSE;
    const std::string shortBytes = ansiPath(std::wstring(shortPath.data(), length), shortLossy);
    if (!shortLossy) return shortBytes;
  }
  // Never empty, which would read as a cancelled dialog: the '?' that no file
  // name holds makes the open fail, and the loader says so.
  return bytes;
}

std::wstring folderOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace tarnwick::ui_win32
