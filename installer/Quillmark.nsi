; QuillmarkSetup.exe: installs Quillmark.exe, ctags.exe and Quillmark.xml into a folder of the
; user's choice, with a Start-menu shortcut and an uninstaller in Add/Remove Programs.
; Built by `make installer`, which passes:
;   VERSION     the program's version, 1.0.0.20
;   BIN_DIR     the folder with Quillmark.exe and ctags.exe
;   SETTINGS    the Quillmark.xml to install
;   ICON        the program's icon
;   OUTFILE     where the installer goes
; Runs silently with /S; /D=C:\folder (the last argument, unquoted) picks the folder. The
; uninstaller keeps the user's settings unless its page is ticked, or /RemoveSettings given.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "MUI2.nsh"
!include "x64.nsh"

!define PRODUCT "Quillmark"
!define PUBLISHER "Altav"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmark"
!define SETTINGS_KEY "Software\Altav\Quillmark"
; The running program holds this mutex from its start until it has ended.
!define INSTANCE_MUTEX "A3DD10EC-D7DB-4930-AC2A-99BBE089145D"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An upgrade goes where the last installation went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quillmark.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Waits while a running Quillmark is still closing (the update check starts the installer and
; then closes the program), then asks: an upgrade must never fail on a file in use. Silent
; runs give up after the wait.
!macro WAIT_FOR_QUILLMARK un
Function ${un}WaitForQuillmark
  Push $0
  Push $1
  retry:
  StrCpy $1 0
  wait:
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r0'
    ${If} $0 P= 0
      Goto done
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    IntOp $1 $1 + 1
    ${If} $1 < 60
      Sleep 250
      Goto wait
    ${EndIf}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is still running.$\r$\nClose it, then press Retry." /SD IDCANCEL IDRETRY retry
  Abort "${PRODUCT} is still running."
  done:
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro WAIT_FOR_QUILLMARK ""
!insertmacro WAIT_FOR_QUILLMARK "un."

Section "Quillmark" SecProgram
  SectionIn RO
  Call WaitForQuillmark
  SetOutPath "$INSTDIR"
  File "${BIN_DIR}/Quillmark.exe"
  File "${BIN_DIR}/ctags.exe"
  File "${SETTINGS}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  SetShellVarContext all
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Quillmark.exe"

  SetRegView 64
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillmark.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function .onInit
  SetRegView 64
FunctionEnd

Section "un.${PRODUCT}" UnSecProgram
  SectionIn RO
  Call un.WaitForQuillmark
  Delete "$INSTDIR\Quillmark.exe"
  Delete "$INSTDIR\ctags.exe"
  Delete "$INSTDIR\Quillmark.xml"
  ; The crash dump the program may have left beside itself.
  Delete "$INSTDIR\Quillmark.dmp"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  SetRegView 64
  ; The .php association, when it is this installation's: it would name a program that is gone.
  ReadRegStr $0 HKCR "${PRODUCT}\shell\open\command" ""
  ${If} $0 == '"$INSTDIR\Quillmark.exe" "%1"'
    DeleteRegKey HKCR "${PRODUCT}"
    ReadRegStr $0 HKCR ".php" ""
    ${If} $0 == "${PRODUCT}"
      DeleteRegValue HKCR ".php" ""
    ${EndIf}
  ${EndIf}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

; Off unless the user ticks it: recent files, session, FTP profiles and the other settings.
Section /o "un.Remove my settings" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\${PUBLISHER}"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecProgram} "The program files, the shortcut and the uninstall entry."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecSettings} "Your recent files, session, FTP profiles and other settings."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  SetRegView 64
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/RemoveSettings" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSecSettings} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
