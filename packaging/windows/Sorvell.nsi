; The Windows installer: the VST3 and the CLAP where hosts look for them (Common Files\VST3,
; Common Files\CLAP), the renderer in a folder the user chooses, and an uninstaller that removes
; all of it. Built by scripts/release-windows:
;   makensis -DVERSION=X.Y.Z -DSTAGE=DIR -DOUTFILE=FILE Sorvell.nsi
; where DIR holds the release's files (Sorvell.vst3, Sorvell.clap, Renderer\, README.txt).
; A 64-bit installer: it runs where the plugins run, and needs no 32-bit subsystem.
Target amd64-unicode
!include "x64.nsh"

Name "Sorvell ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Sorvell"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sorvell"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Sorvell"
  SetOutPath "$COMMONFILES64\VST3\Sorvell.vst3\Contents\x86_64-win"
  File "${STAGE}/Sorvell.vst3/Contents/x86_64-win/Sorvell.vst3"
  SetOutPath "$COMMONFILES64\CLAP"
  File "${STAGE}/Sorvell.clap"

  SetOutPath "$INSTDIR"
  File "${STAGE}/README.txt"
  File "${STAGE}/Renderer/sorvell.exe"
  File "${STAGE}/Renderer/libtessel.dll"
  SetOutPath "$INSTDIR\externals"
  File "${STAGE}/Renderer/externals/quendra.device.sorvell~.dll"
  SetOutPath "$INSTDIR\docs"
  File "${STAGE}/Renderer/docs/quendra.device.sorvell~.tesselref.xml"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Sorvell ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Quendra"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes exactly what was installed: folders only when they are left empty, so that other
; plugins in Common Files\VST3 and Common Files\CLAP stay.
Section "Uninstall"
  Delete "$COMMONFILES64\VST3\Sorvell.vst3\Contents\x86_64-win\Sorvell.vst3"
  RMDir "$COMMONFILES64\VST3\Sorvell.vst3\Contents\x86_64-win"
  RMDir "$COMMONFILES64\VST3\Sorvell.vst3\Contents"
  RMDir "$COMMONFILES64\VST3\Sorvell.vst3"
  RMDir "$COMMONFILES64\VST3"
  Delete "$COMMONFILES64\CLAP\Sorvell.clap"
  RMDir "$COMMONFILES64\CLAP"

  Delete "$INSTDIR\externals\quendra.device.sorvell~.dll"
  RMDir "$INSTDIR\externals"
  Delete "$INSTDIR\docs\quendra.device.sorvell~.tesselref.xml"
  RMDir "$INSTDIR\docs"
  Delete "$INSTDIR\sorvell.exe"
  Delete "$INSTDIR\libtessel.dll"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
