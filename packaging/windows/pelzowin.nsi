; The PelzoWin installer, made by scripts/build-windows.sh with NSIS:
;   makensis -DVERSION=1.1.0 -DSTAGE=<folder of the release> -DICON=<app .ico> -DOUTFILE=<setup.exe> pelzowin.nsi
; Installs the game, the authors' tool, the sample sets and the README into
; Program Files, adds a Start-menu entry, and registers an uninstaller with
; Apps and Features.
; A 64-bit installer for a 64-bit game: it runs where the game runs, and
; writes to the 64-bit registry and Program Files without redirection.
Target amd64-unicode
SetCompressor /SOLID lzma

!define NAME "PelzoWin"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PelzoWin"

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
SectionEnd
