; SPDX-License-Identifier: MIT
; The PelzoWin installer, made by scripts/build-windows.sh with NSIS:
;   packaging/windows/nsis-files.sh <folder of the release> files.nsh
;   makensis -INPUTCHARSET UTF8 -DVERSION=<version> -DSTAGE=<folder of the release> -DFILES=files.nsh \
;            -DICON=<app .ico> -DOUTFILE=<setup.exe> pelzowin.nsi
; (this file holds Japanese text in UTF-8; files.nsh lists the release's
; files, so that the uninstaller removes exactly those the installer wrote).
; Installs the game, the authors' tool, the sample sets and the README into
; Program Files, adds a Start-menu entry, opens .pzq quiz sets with the game
; (ProgID PelzoWin.QuizSet), and registers an uninstaller with Apps and
; Features. Everything goes to the machine (HKLM, all users), as the
; installer runs as administrator.
; It speaks Japanese or English: the language dialog offers both, the
; system's language chosen (English elsewhere); a silent install takes the
; system's language as it is. The uninstaller speaks the installer's.
; The uninstaller removes the files the installer wrote, each by name, and
; then each folder only if that left it empty: a set the player saved in
; samples\, or anything else added to the program folder, stays.
; A 64-bit installer for a 64-bit game: it runs where the game runs, and
; writes to the 64-bit registry and Program Files without redirection.
Target amd64-unicode
SetCompressor /SOLID lzma

!define NAME "PelzoWin"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PelzoWin"
!define PROGID "PelzoWin.QuizSet"
!define CLASSES "Software\Classes"
; SHCNE_ASSOCCHANGED: Explorer rereads the file associations (icons, Open).
!define NOTIFY_ASSOC "System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "${FILES}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; The language chosen is kept for the uninstaller.
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "InstallerLanguage"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one taken when the system's is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

; The Start-menu entries' names. Both names of each are removed on uninstall,
; whichever language installed them.
!define GAME_ENTRY_EN "PelzoWin"
!define GAME_ENTRY_JA "PelzoWin クイズゲーム"
!define README_ENTRY_EN "README"
!define README_ENTRY_JA "はじめにお読みください"
LangString GAME_ENTRY ${LANG_ENGLISH} "${GAME_ENTRY_EN}"
LangString GAME_ENTRY ${LANG_JAPANESE} "${GAME_ENTRY_JA}"
LangString README_ENTRY ${LANG_ENGLISH} "${README_ENTRY_EN}"
LangString README_ENTRY ${LANG_JAPANESE} "${README_ENTRY_JA}"
LangString PZQ_TYPE ${LANG_ENGLISH} "PelzoWin quiz set"
LangString PZQ_TYPE ${LANG_JAPANESE} "PelzoWin 問題セット"

Function .onInit
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Function un.onInit
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "PelzoWin"
  SetShellVarContext all
  !insertmacro INSTALL_FILES
  SetOutPath "$INSTDIR"

  CreateDirectory "$SMPROGRAMS\${NAME}"
  CreateShortcut "$SMPROGRAMS\${NAME}\$(GAME_ENTRY).lnk" "$INSTDIR\pelzowin.exe" "" "$INSTDIR\pelzowin.exe" 0
  CreateShortcut "$SMPROGRAMS\${NAME}\$(README_ENTRY).lnk" "$INSTDIR\README-Windows.txt"

  ; .pzq files open in the game, shown with its icon. ZIP sets are left to
  ; whatever opens ZIP archives; the game's open dialog takes them.
  WriteRegStr HKLM "${CLASSES}\${PROGID}" "" "$(PZQ_TYPE)"
  WriteRegStr HKLM "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\pelzowin.exe,0"
  WriteRegStr HKLM "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\pelzowin.exe" "%1"'
  WriteRegStr HKLM "${CLASSES}\.pzq" "" "${PROGID}"
  WriteRegStr HKLM "${CLASSES}\.pzq\OpenWithProgids" "${PROGID}" ""
  ${NOTIFY_ASSOC}

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "PelzoWin developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\pelzowin.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; The uninstaller's language (MUI2 keeps it only when the pages ran).
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallerLanguage" $LANGUAGE
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${NAME}\${GAME_ENTRY_EN}.lnk"
  Delete "$SMPROGRAMS\${NAME}\${GAME_ENTRY_JA}.lnk"
  Delete "$SMPROGRAMS\${NAME}\${README_ENTRY_EN}.lnk"
  Delete "$SMPROGRAMS\${NAME}\${README_ENTRY_JA}.lnk"
  RMDir "$SMPROGRAMS\${NAME}"
  ; The release's files by name, then its folders deepest first, each only
  ; when empty; "$INSTDIR" last, after the uninstaller itself.
  !insertmacro UNINSTALL_FILES
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ; .pzq loses only what points at this game, in case another program has
  ; taken the extension over since; its keys go once nothing is left in them.
  DeleteRegKey HKLM "${CLASSES}\${PROGID}"
  DeleteRegValue HKLM "${CLASSES}\.pzq\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifnosubkeys /ifnovalues HKLM "${CLASSES}\.pzq\OpenWithProgids"
  ReadRegStr $0 HKLM "${CLASSES}\.pzq" ""
  StrCmp $0 "${PROGID}" 0 +2
    DeleteRegValue HKLM "${CLASSES}\.pzq" ""
  DeleteRegKey /ifnosubkeys /ifnovalues HKLM "${CLASSES}\.pzq"
  ${NOTIFY_ASSOC}
SectionEnd
