; The Windows installer of Quorvex and Stavo (NSIS 3, Modern UI 2). Made by
; scripts/package-windows.sh, which stages the files and passes, with -D:
;   VERSION       the project version (1.0.0)
;   FILE_VERSION  the same in four parts (1.0.0.0), for the file properties
;   STAGED        the staged folder: its whole content is installed
;   FILES_NSH     the SetOutPath and File lines of the staged files
;   DELETES_NSH   the Delete lines of the same files and the RMDir lines of their folders
;   OUTFILE       the setup program to write
;   SIZE_KB       the installed size, for "Apps & features"
; The uninstaller removes exactly the files it installed (DELETES_NSH), then the folders if they
; are empty: a user who installs into a folder of their own keeps their files.

!ifndef VERSION | FILE_VERSION | STAGED | FILES_NSH | DELETES_NSH | OUTFILE | SIZE_KB
  !error "pass VERSION, FILE_VERSION, STAGED, FILES_NSH, DELETES_NSH, OUTFILE and SIZE_KB with -D (scripts/package-windows.sh does)"
!endif

Unicode true
Target amd64-unicode ; a 64-bit setup program: the 32-bit one does not start on a 64-bit-only Wine
SetCompressor /SOLID lzma

!define PRODUCT "Quorvex and Stavo"
!define PUBLISHER "Quorvex and Stavo developers"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuorvexStavo"
!define ENV_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
!define SM_FOLDER "$SMPROGRAMS\${PRODUCT}"

!include MUI2.nsh
!include LogicLib.nsh
!include WinMessages.nsh
!include x64.nsh

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_UNABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGED}/LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; FindEntry: the position of the PATH entry $R2 in the PATH $R1 (both compared with ';' around
; them, without regard to case, as Windows does), the last one when there are several; -1 when
; absent. Result in $R3.
!macro FIND_ENTRY_FUNCTION un
Function ${un}FindEntry
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $0 ";$R1;"
  StrCpy $1 ";$R2;"
  StrLen $2 $0
  StrLen $3 $1
  IntOp $R3 $2 - $3
  ${DoWhile} $R3 >= 0
    StrCpy $2 $0 $3 $R3
    ${If} $2 == $1
      ${Break}
    ${EndIf}
    IntOp $R3 $R3 - 1
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro FIND_ENTRY_FUNCTION ""
!insertmacro FIND_ENTRY_FUNCTION "un."

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "${PRODUCT} needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "${PRODUCT} (required)" SecMain
  SectionIn RO

  ; An earlier installation in the same folder is uninstalled first (in place, waiting for it),
  ; so that files it had and this version has not do not stay behind.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
  ${AndIf} ${FileExists} "$INSTDIR\Uninstall.exe"
    DetailPrint "Removing the installed version first"
    ExecWait '"$INSTDIR\Uninstall.exe" /S _?=$INSTDIR'
    Delete "$INSTDIR\Uninstall.exe"
  ${EndIf}

  !include "${FILES_NSH}"

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\quorvex.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" ${SIZE_KB}

  CreateDirectory "${SM_FOLDER}"
  ; A shortcut's working directory is the output path in force: Quorvex reads its lookup files
  ; (icao24.txt, aircrafts.txt, flightplans.txt) from there.
  SetOutPath "$INSTDIR\samples"
  CreateShortcut "${SM_FOLDER}\Quorvex.lnk" "$INSTDIR\quorvex.exe"
  SetOutPath "$INSTDIR"
  CreateShortcut "${SM_FOLDER}\Stand board (LHBP sample).lnk" "$INSTDIR\veltrix-host.exe" \
    '--display "$INSTDIR\samples\lhbp.asr" --airports "$INSTDIR\samples\airports.txt"'
  CreateShortcut "${SM_FOLDER}\Uninstall.lnk" "$INSTDIR\Uninstall.exe"
SectionEnd

; Appends the installation folder to the machine's PATH, unless it is there already; the
; uninstaller removes the entry again only when this added it ("PathEntry" in the uninstall key).
Section /o "Add the programs to PATH" SecPath
  ClearErrors
  ReadRegStr $R1 HKLM "${ENV_KEY}" "Path"
  ${If} ${Errors} ; absent, or longer than this setup program can hold: left alone
    DetailPrint "PATH not changed: it could not be read"
    MessageBox MB_ICONEXCLAMATION "The PATH could not be read, so it was not changed." /SD IDOK
    Return
  ${EndIf}
  StrCpy $R2 $INSTDIR
  Call FindEntry
  ${If} $R3 >= 0
    DetailPrint "PATH already has $INSTDIR"
    Return
  ${EndIf}
  ; The new PATH, with ';' around it for the uninstaller's search, must fit in a variable.
  StrLen $0 $R1
  StrLen $1 $INSTDIR
  IntOp $0 $0 + $1
  IntOp $0 $0 + 3
  ${If} $0 >= ${NSIS_MAX_STRLEN}
    DetailPrint "PATH not changed: it is too long"
    MessageBox MB_ICONEXCLAMATION "The PATH is too long for this setup program, so it was not changed." /SD IDOK
    Return
  ${EndIf}
  ${If} $R1 == ""
    StrCpy $R1 $INSTDIR
  ${Else}
    StrCpy $R1 "$R1;$INSTDIR"
  ${EndIf}
  WriteRegExpandStr HKLM "${ENV_KEY}" "Path" $R1
  WriteRegStr HKLM "${UNINST_KEY}" "PathEntry" $INSTDIR
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  DetailPrint "Added $INSTDIR to PATH"
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "Quorvex, the Stavo plug-in with its host veltrix-host, sbs-sim, sbs-table, the samples and the pictures of the read-me."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "Appends the installation folder to the PATH of all users, so that a console finds quorvex, sbs-sim and the others."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
  ; The PATH entry the setup program added, and only that one.
  ReadRegStr $R2 HKLM "${UNINST_KEY}" "PathEntry"
  ${If} $R2 != ""
    ClearErrors
    ReadRegStr $R1 HKLM "${ENV_KEY}" "Path"
    StrLen $0 $R1
    IntOp $0 $0 + 2
    ${If} ${Errors}
    ${OrIf} $0 >= ${NSIS_MAX_STRLEN}
      DetailPrint "PATH not changed: it could not be read whole"
    ${Else}
      Call un.FindEntry
      ${If} $R3 >= 0
        ; ";PATH;" less ";ENTRY", then less the two ';' put around it.
        StrCpy $0 ";$R1;"
        StrLen $1 ";$R2"
        IntOp $1 $R3 + $1
        StrCpy $2 $0 $R3
        StrCpy $3 $0 "" $1
        StrCpy $0 "$2$3" "" 1
        StrCpy $0 $0 -1
        WriteRegExpandStr HKLM "${ENV_KEY}" "Path" $0
        SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
        DetailPrint "Removed $R2 from PATH"
      ${EndIf}
    ${EndIf}
  ${EndIf}

  Delete "${SM_FOLDER}\Quorvex.lnk"
  Delete "${SM_FOLDER}\Stand board (LHBP sample).lnk"
  Delete "${SM_FOLDER}\Uninstall.lnk"
  RMDir "${SM_FOLDER}"

  !include "${DELETES_NSH}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
