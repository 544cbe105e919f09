; The Windows installer: both programs, the Japanese catalog where the window looks
; for it (locale\ja\LC_MESSAGES beside corvane.exe), the icon, a Start-menu entry and
; an uninstaller. The build passes VERSION, BIN_DIR, ICON and OUT_FILE (see
; cmake/windows_installer.cmake), so the version is never written here.
Unicode true
; The programs are 64-bit, and so is the installer, so nothing is redirected.
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane"

Name "Corvane ${VERSION}"
OutFile "${OUT_FILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
InstallDir "$PROGRAMFILES64\Corvane"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ShowInstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Corvane"
  SetOutPath "$INSTDIR"
  File "${BIN_DIR}\corvane.exe"
  File "${BIN_DIR}\bxa.exe"
  File "/oname=corvane.ico" "${ICON}"
  SetOutPath "$INSTDIR\locale\ja\LC_MESSAGES"
  File "${BIN_DIR}\locale\ja\LC_MESSAGES\corvane.mo"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Corvane"
  CreateShortcut "$SMPROGRAMS\Corvane\Corvane.lnk" "$INSTDIR\corvane.exe" "" "$INSTDIR\corvane.ico"
  CreateShortcut "$SMPROGRAMS\Corvane\Uninstall Corvane.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Corvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\corvane.ico"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The settings file and the recent lists beside the program are the user's: they stay,
; and with them the folder.
Section "Uninstall"
  Delete "$INSTDIR\corvane.exe"
  Delete "$INSTDIR\bxa.exe"
  Delete "$INSTDIR\corvane.ico"
  Delete "$INSTDIR\locale\ja\LC_MESSAGES\corvane.mo"
  RMDir "$INSTDIR\locale\ja\LC_MESSAGES"
  RMDir "$INSTDIR\locale\ja"
  RMDir "$INSTDIR\locale"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "$SMPROGRAMS\Corvane\Corvane.lnk"
  Delete "$SMPROGRAMS\Corvane\Uninstall Corvane.lnk"
  RMDir "$SMPROGRAMS\Corvane"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
