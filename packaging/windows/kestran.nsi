; The KESTRAN setup program: installs for the current user only, so it needs
; no administrator rights, and speaks Simplified Chinese, or English on a
; system whose language is not Chinese. make_setup.sh defines VERSION, ICON,
; OUTFILE and STAGED_FILES (the macros that install and remove the files).
Unicode true
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include "${STAGED_FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KESTRAN"
!define SHORTCUT "KESTRAN 背单词.lnk"
!define PROGRAM "KESTRAN.exe"
!define DATA_FOLDER "$APPDATA\KESTRAN"

Name "KESTRAN"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\KESTRAN"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "KESTRAN ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; Without a language dialog the installer takes the system's UI language
; when it has it; the first one is for every other system.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString ProgramSection ${LANG_ENGLISH} "KESTRAN (required)"
LangString ProgramSection ${LANG_SIMPCHINESE} "KESTRAN 程序（必需）"
LangString DesktopSection ${LANG_ENGLISH} "Desktop shortcut"
LangString DesktopSection ${LANG_SIMPCHINESE} "桌面快捷方式"
LangString DataSection ${LANG_ENGLISH} "Also delete my mistake book and other learning data"
LangString DataSection ${LANG_SIMPCHINESE} "同时删除我的错题本等学习记录"
LangString StillRunning ${LANG_ENGLISH} "KESTRAN is running. Please close it, then click Retry."
LangString StillRunning ${LANG_SIMPCHINESE} "KESTRAN 正在运行。请先关闭它，然后点击“重试”。"

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductName" "KESTRAN"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileDescription" "KESTRAN 背单词 安装程序"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "CompanyName" "KESTRAN"
VIAddVersionKey /LANG=${LANG_SIMPCHINESE} "LegalCopyright" "Copyright (c) 2026 The KESTRAN developers, MIT License"

; A program file that is running cannot be opened for writing. Asks the
; learner to close it until it can be; Cancel (and silent mode) stops here.
!macro WAIT_UNTIL_CLOSED prefix
Function ${prefix}WaitUntilClosed
  Exch $R0
  Push $R1
  Push $R2
  StrCpy $R2 0
  ${Do}
    ${IfNot} ${FileExists} $R0
      ${Break}
    ${EndIf}
    ClearErrors
    FileOpen $R1 $R0 a
    ${IfNot} ${Errors}
      FileClose $R1
      ${Break}
    ${EndIf}
    ; A program that has just ended may hold its file a moment longer.
    ${If} $R2 < 10
      IntOp $R2 $R2 + 1
      Sleep 300
      ${Continue}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY +2
    Abort "$(StillRunning)"
  ${Loop}
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro WAIT_UNTIL_CLOSED ""
!insertmacro WAIT_UNTIL_CLOSED "un."

Section "$(ProgramSection)" ProgramSection
  SectionIn RO
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == ""
    StrCpy $0 $INSTDIR
  ${EndIf}
  Push "$0\${PROGRAM}"
  Call WaitUntilClosed
  Push "$INSTDIR\${PROGRAM}"
  Call WaitUntilClosed
  ; An earlier version goes first, by its own uninstaller, which knows its
  ; files: what this version no longer ships does not stay behind.
  ${If} ${FileExists} "$0\Uninstall.exe"
    ExecWait '"$0\Uninstall.exe" /S _?=$0'
    Delete "$0\Uninstall.exe"
    RMDir "$0"
  ${EndIf}

  !insertmacro InstallStagedFiles
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; A shortcut starts the program in the folder that is the output path now:
  ; the program finds RES\ in its working folder.
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\${PROGRAM}"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "KESTRAN 背单词"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "KESTRAN"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${ProgramSection} $1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $1
SectionEnd

Section "$(DesktopSection)" DesktopSection
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\${SHORTCUT}" "$INSTDIR\${PROGRAM}"
SectionEnd

; A Traditional Chinese system reads Simplified Chinese better than English.
!macro PREFER_CHINESE
  IntOp $0 $LANGUAGE & 0x3FF
  ${If} $0 == 4
    StrCpy $LANGUAGE ${LANG_SIMPCHINESE}
  ${EndIf}
!macroend

Function un.onInit
  !insertmacro PREFER_CHINESE
FunctionEnd

Function .onInit
  !insertmacro PREFER_CHINESE
  ; Over an earlier install, the desktop shortcut stays as the learner left it.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "UninstallString"
  ${If} $0 != ""
  ${AndIfNot} ${FileExists} "$DESKTOP\${SHORTCUT}"
    SectionSetFlags ${DesktopSection} 0
  ${EndIf}
FunctionEnd

Function StartProgram
  SetOutPath "$INSTDIR"
  Exec '"$INSTDIR\${PROGRAM}"'
FunctionEnd

; Removes the installed files by name: lists the learner put into the
; install folder keep it and themselves.
Section "un.$(ProgramSection)" UninstallProgramSection
  SectionIn RO
  Push "$INSTDIR\${PROGRAM}"
  Call un.WaitUntilClosed
  !insertmacro RemoveStagedFiles
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${SHORTCUT}"
  Delete "$DESKTOP\${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; The learner's own data goes only when they tick it.
Section /o "un.$(DataSection)" UninstallDataSection
  ${If} $APPDATA != ""
    RMDir /r "${DATA_FOLDER}"
  ${EndIf}
SectionEnd
