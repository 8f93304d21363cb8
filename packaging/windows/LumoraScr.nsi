; The Windows installer: puts LumoraScr.scr and Calender.dat into the system folder, where the
; Screen Saver settings list savers, and registers an uninstaller in Programs and Features.
;
; Built by CMake (target windows_installer), which defines:
;   VERSION      the version, e.g. 1.0.0
;   SCR_FILE     the built LumoraScr.scr
;   DAT_FILE     the holiday file in the system's Japanese code page
;   ICON_FILE    the program's icon
;   OUT_FILE     the installer to write
;   NOTICES_DIR  the folder holding the JPEG decoder's licence notices (libjpeg-turbo-*)
;
; Command line: /S installs silently and makes LumoraScr the current saver; /KEEPSAVER leaves the
; current saver as it is. The uninstaller takes /S as well.

Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define PRODUCT "LumoraScr"
!define PUBLISHER "LumoraScr Project"
!define SCR_NAME "LumoraScr.scr"
!define DAT_NAME "Calender.dat"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LumoraScr"
!define DESKTOP_KEY "Control Panel\Desktop"
; What the user's chosen saver was before the installer replaced it, for the uninstaller.
!define PREVIOUS_SAVER "PreviousSaver"
; Opens the picture list (the saver's settings dialog) as the signed-in user.
!define LIST_SHORTCUT "画像リスト.lnk"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1041 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"
VIAddVersionKey /LANG=1041 "FileDescription" "${PRODUCT} セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON_FILE}"
!define MUI_UNICON "${ICON_FILE}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
; First run: the picture list, ticked, so that the first show is not an empty black screen;
; the system's saver settings on offer beside it. Neither is offered in a silent install.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "表示する写真を選ぶ (画像リストを開く)"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenPictureList
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME_TEXT "スクリーン セーバーの設定を開く"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION OpenSaverSettings

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

; Leaves 1 in $R9 when the saver value $R8 names this program: by its file name, or by the short
; (8.3) path the Screen Saver settings may have stored.
!macro NamesThisSaver un
Function ${un}NamesThisSaver
    Push $R7
    StrCpy $R9 0
    ${GetFileName} "$R8" $R7
    ${If} $R7 == "${SCR_NAME}"
        StrCpy $R9 1
    ${Else}
        GetFullPathName /SHORT $R7 "$SYSDIR\${SCR_NAME}"
        ${If} $R7 != ""
        ${AndIf} $R8 == $R7
            StrCpy $R9 1
        ${EndIf}
    ${EndIf}
    Pop $R7
FunctionEnd
!macroend
!insertmacro NamesThisSaver ""
!insertmacro NamesThisSaver "un."

Section "${PRODUCT}" SecProgram
    SectionIn RO
    SetRegView 64
    SetOutPath "$SYSDIR"
    File "/oname=${SCR_NAME}" "${SCR_FILE}"
    File "/oname=${DAT_NAME}" "${DAT_FILE}"

    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; The licence notices of the JPEG decoder built into the program.
    File "${NOTICES_DIR}\libjpeg-turbo-LICENSE.md"
    File "${NOTICES_DIR}\libjpeg-turbo-README.ijg"
    CreateShortCut "$INSTDIR\${LIST_SHORTCUT}" "$SYSDIR\${SCR_NAME}" "/c" "$SYSDIR\${SCR_NAME}" 0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\${SCR_NAME},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$SYSDIR" "/M=${SCR_NAME} /S=0K /G=0" $0 $1 $2
    ${GetSize} "$SYSDIR" "/M=${DAT_NAME} /S=0K /G=0" $3 $1 $2
    IntOp $0 $0 + $3
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "現在のスクリーン セーバーにする" SecCurrentSaver
    SetRegView 64
    ReadRegStr $R8 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    Call NamesThisSaver
    ; Remember the user's own choice (none, too); a reinstall over ourselves keeps the earlier
    ; record.
    ${If} $R9 == 0
        ${If} $R8 != ""
            WriteRegStr HKLM "${UNINSTALL_KEY}" "${PREVIOUS_SAVER}" "$R8"
        ${Else}
            DeleteRegValue HKLM "${UNINSTALL_KEY}" "${PREVIOUS_SAVER}"
        ${EndIf}
    ${EndIf}
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\${SCR_NAME}"
SectionEnd

Function .onInit
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/KEEPSAVER" $1
    ${IfNot} ${Errors}
        !insertmacro UnselectSection ${SecCurrentSaver}
    ${EndIf}
FunctionEnd

; The installer runs elevated, and a dialog started from it would be too: Windows gives an
; elevated window no drops from Explorer, and it would save its list beside the system's files.
; Explorer, asked to open the shortcut, hands it to the running shell, which starts the saver's
; dialog as the signed-in user.
Function OpenPictureList
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\${LIST_SHORTCUT}"'
FunctionEnd

Function OpenSaverSettings
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
FunctionEnd

Section "Uninstall"
    SetRegView 64
    ; The saver choice goes back to what it was only while it still names this program.
    ReadRegStr $R8 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    Call un.NamesThisSaver
    ${If} $R9 == 1
        ClearErrors
        ReadRegStr $R6 HKLM "${UNINSTALL_KEY}" "${PREVIOUS_SAVER}"
        ${If} $R6 != ""
            WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$R6"
        ${Else}
            DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
        ${EndIf}
    ${EndIf}

    ; Only what the installer put there: the users' picture lists (LumoraScr.ini) stay.
    Delete /REBOOTOK "$SYSDIR\${SCR_NAME}"
    Delete /REBOOTOK "$SYSDIR\${DAT_NAME}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    Delete "$INSTDIR\${LIST_SHORTCUT}"
    Delete "$INSTDIR\libjpeg-turbo-LICENSE.md"
    Delete "$INSTDIR\libjpeg-turbo-README.ijg"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
