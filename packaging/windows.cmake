# What a Windows user gets, from one install tree (the programs, README.md and
# LICENSE.txt side by side) made twice by CPack:
#   tarnwick-VERSION-windows-x86_64.zip        unpack anywhere and run
#   tarnwick-VERSION-windows-x86_64-setup.exe  NSIS installer: per machine under
#       Program Files, one Start menu entry for the window, one entry in the
#       system's list of installed programs, nothing else.
# Traps (checked under Wine with Debian's nsis 3.08):
#   - CPack's NSIS installer is 32-bit by default: on a 64-bit-only Wine it
#     installs nothing and still exits 0. "Target amd64-unicode" makes it 64-bit.
#   - Without CPACK_VERBATIM_VARIABLES, text that CPack pastes into the NSIS
#     script passes through CMake twice (one backslash there is four here).

# The zip and the installer carry the Win32 window, one file. A build without
# it (the flasher alone, or the Qt window, which needs Qt's DLLs beside it)
# makes neither.
if(NOT TARNWICK_WIN32_WINDOW)
  message(STATUS "No Win32 window in this build: no Windows zip or installer")
  return()
endif()
install(TARGETS tarnwick tarnwick-flash RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
# tarnwick-flash.exe carries cpp-httplib (the station's page server): its licence goes along.
install(FILES ${HTTPLIB_HEADER_DIR}/LICENSE DESTINATION . RENAME LICENSE-cpp-httplib.txt)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_FILE_NAME tarnwick-${PROJECT_VERSION}-windows-x86_64)
# The installer's own name (CPack takes one file name for every generator).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/windows-cpack.cmake)

set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarnwick)  # also the uninstall entry's key and name
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# FileFunc gives GetSize, for the uninstall entry's EstimatedSize.
set(CPACK_NSIS_DEFINES "Target amd64-unicode\n!include FileFunc.nsh")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_MENU_LINKS tarnwick.exe Tarnwick)
set(CPACK_NSIS_INSTALLED_ICON_NAME tarnwick.exe)  # the icon in the list of programs
# The installer and the uninstaller show the window's icon.
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/src/ui_win32/tarnwick.ico)
set(CPACK_NSIS_MUI_UNIICON ${CPACK_NSIS_MUI_ICON})
set(CPACK_NSIS_URL_INFO_ABOUT ${TARNWICK_WEB_URL})
# A new version replaces the old one instead of installing over it.
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# After CPack's own lines:
#   - CPack always puts an uninstall shortcut beside the program's; removing
#     the program belongs to the system's list, so only the program's entry stays.
#   - CPack keeps the install folder and the Start menu folder under the
#     vendor's key, which nothing needs: the uninstaller finds both in the
#     uninstall entry (its own folder, and the value StartMenu). It goes.
#   - CPack writes NoModify and NoRepair as strings; Windows reads numbers.
#   - The size in KiB that the list of installed programs shows.
set(uninstall_key
  "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${CPACK_PACKAGE_INSTALL_DIRECTORY}")
string(JOIN "\n" CPACK_NSIS_EXTRA_INSTALL_COMMANDS
  "Delete \"$SMPROGRAMS\\$STARTMENU_FOLDER\\Uninstall.lnk\""
  "DeleteRegKey SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\\${CPACK_PACKAGE_INSTALL_DIRECTORY}\""
  "DeleteRegKey /ifempty SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\""
  "WriteRegDWORD SHCTX \"${uninstall_key}\" NoModify 1"
  "WriteRegDWORD SHCTX \"${uninstall_key}\" NoRepair 1"
  "\${GetSize} \"$INSTDIR\" \"/S=0K\" $0 $1 $2"
  "WriteRegDWORD SHCTX \"${uninstall_key}\" EstimatedSize $0")
# The uninstaller runs these twice, after removing CPack's key under the
# vendor's: for the default Start menu folder, then for the one chosen when
# installing, whose shortcut CPack's own lines miss. And the vendor's key, if
# an earlier version left it, empty.
string(JOIN "\n" CPACK_NSIS_DELETE_ICONS_EXTRA
  "Delete \"$SMPROGRAMS\\$MUI_TEMP\\Tarnwick.lnk\""
  "DeleteRegKey /ifempty SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\"")
include(CPack)
