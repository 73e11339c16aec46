// The system's own boxes: MessageBoxW for notices and errors, and the open
// dialog GetOpenFileNameW for the HEX file.
//
// Neither writes a file or a registry key of the program's own. What the
// open dialog remembers of the folders it visited (ComDlg32's
// LastVisitedMRU) is Windows' own, whatever the flags.
#pragma once

#include <windows.h>

#include <string>

namespace tarnwick::ui_win32 {

enum class BoxIcon { None, Error };

// A modal box with an OK button, owned by `owner`.
void showMessageBox(HWND owner, const std::wstring& text, BoxIcon icon, const std::wstring& title);

// The filter as the handlers give it ("HEX files (*.hex)|*.hex") in the
// dialog's form: each description and its patterns ended by NUL, the whole
// list by a second NUL.
std::wstring dialogFilter(const std::string& filter);

// Shows the open dialog starting in `folder` (the system's choice when empty);
// the chosen file's full path, or empty when cancelled.
std::wstring chooseFileToOpen(HWND owner, const std::string& filter, const std::wstring& folder);

// The path as the C library's fopen takes it (the system's ANSI code page).
// A name the code page cannot spell is given in its short 8.3 form, which
// can; where the volume keeps no short names, with '?' in its place, so the
// open fails and the loader reports it rather than taking it as a cancel.
std::string fileSystemPath(const std::wstring& path);

// The folder part of a full path ("C:\a\b.hex" gives "C:\a").
std::wstring folderOf(const std::wstring& path);

}  // namespace tarnwick::ui_win32
