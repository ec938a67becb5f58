; The PelzoWin installer, made by scripts/build-windows.sh with NSIS:
;   makensis -DVERSION=1.1.0 -DSTAGE=<folder of the release> -DICON=<app .ico> -DOUTFILE=<setup.exe> pelzowin.nsi
; Installs the game, the authors' tool, the sample sets and the README into
; Program Files, adds a Start-menu entry, opens .pzq quiz sets with the game
; (ProgID PelzoWin.QuizSet), and registers an uninstaller with Apps and
; Features. Everything goes to the machine (HKLM, all users), as the
; installer runs as administrator.
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
Icon "${ICON}"
UninstallIcon "${ICON}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "PelzoWin"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${STAGE}\pelzowin.exe"
  File "${STAGE}\pelzo-quiz.exe"
  File "${STAGE}\README-Windows.txt"
  SetOutPath "$INSTDIR\samples"
  File "${STAGE}\samples\*.zip"
  File "${STAGE}\samples\*.pzq"
  SetOutPath "$INSTDIR\samples\src"
  File /r "${STAGE}\samples\src\*.*"

  CreateDirectory "$SMPROGRAMS\${NAME}"
  CreateShortcut "$SMPROGRAMS\${NAME}\${NAME}.lnk" "$INSTDIR\pelzowin.exe" "" "$INSTDIR\pelzowin.exe" 0
  CreateShortcut "$SMPROGRAMS\${NAME}\README.lnk" "$INSTDIR\README-Windows.txt"

  ; .pzq files open in the game, shown with its icon. ZIP sets are left to
  ; whatever opens ZIP archives; the game's open dialog takes them.
  WriteRegStr HKLM "${CLASSES}\${PROGID}" "" "PelzoWin quiz set"
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
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\${NAME}\${NAME}.lnk"
  Delete "$SMPROGRAMS\${NAME}\README.lnk"
  RMDir "$SMPROGRAMS\${NAME}"
  Delete "$INSTDIR\pelzowin.exe"
  Delete "$INSTDIR\pelzo-quiz.exe"
  Delete "$INSTDIR\README-Windows.txt"
  RMDir /r "$INSTDIR\samples"
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
