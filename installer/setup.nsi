; The setup program of QAV SAVER Vol.3, built by the 32-bit build with makensis:
;   makensis -DVERSION=x.y.z -DSAVER=<QAVSSV3.SCR> -DMUSIC=<BGM04.SSS> -DICON=<icon>
;            -DOUTFILE=<setup program> setup.nsi
;
; It puts the saver into the system folder that 32-bit programs use (SysWOW64 on 64-bit
; Windows), the music into the saver's default data folder "<Windows drive>:\QavSaver3" with the
; uninstaller beside it, registers the uninstaller in Apps / Add or Remove Programs and, unless
; told otherwise, makes it the current screen saver. The settings file QAV3CFG.INI is never
; written or removed.
;
; Switches (besides NSIS's own /S for a silent run):
;   /KEEPSAVER   leave the current screen saver as it is ("Use as my screen saver" unticked).
; NSIS's /D= has no effect: the places are those the saver and the display settings look in.
; Exit codes: 0 installed, 1 cancelled, 2 failed (a message tells why: a message box, or in a
; silent run a line on the standard error output).

Unicode true
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef VERSION | SAVER | MUSIC | ICON | OUTFILE
  !error "define VERSION, SAVER, MUSIC, ICON and OUTFILE"
!endif

!define PRODUCT "QAV SAVER Vol.3"
!define PUBLISHER "QAV SAVER project"
!define SAVER_FILE "QAVSSV3.SCR"
!define MUSIC_FILE "BGM04.SSS"
!define UNINSTALLER "QAV3UNIN.EXE"
!define DATA_FOLDER "QavSaver3"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QavSaver3"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATE_AND_SEND 3

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "C:\${DATA_FOLDER}"
ShowInstDetails show
ShowUninstDetails show
AllowSkipFiles on ; a file that cannot be written sets the error flag in a silent run

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Var SaverDir  ; the system folder of 32-bit programs
Var DataDir   ; the saver's default data folder
; 1 for what this run made, taken away again if it fails
Var NewDataDir
Var NewMusic
Var NewSaver
Var NewUninstaller

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME ""
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(UseAsScreenSaver)"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION UseAsScreenSaver
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishPageShow
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one used when the system's is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString UseAsScreenSaver ${LANG_ENGLISH} "Use as my screen saver"
LangString UseAsScreenSaver ${LANG_JAPANESE} "スクリーン セーバーとして使う"
LangString NoDataFolder ${LANG_ENGLISH} "Cannot create the folder $DataDir."
LangString NoDataFolder ${LANG_JAPANESE} "フォルダー $DataDir を作成できません。"
LangString CannotWrite ${LANG_ENGLISH} "Cannot write $0. If the screen saver is running, end it and run the setup again."
LangString CannotWrite ${LANG_JAPANESE} "$0 に書き込めません。スクリーン セーバーが動いているときは終了してから、もう一度セットアップしてください。"
LangString CannotRegister ${LANG_ENGLISH} "Cannot write the uninstall information to the registry."
LangString CannotRegister ${LANG_JAPANESE} "アンインストール情報をレジストリに書き込めません。"
LangString CannotSetSaver ${LANG_ENGLISH} "Cannot make ${PRODUCT} the screen saver."
LangString CannotSetSaver ${LANG_JAPANESE} "${PRODUCT} をスクリーン セーバーに設定できません。"
LangString CannotRemove ${LANG_ENGLISH} "Cannot remove $0. If the screen saver is running, end it and run the uninstaller again."
LangString CannotRemove ${LANG_JAPANESE} "$0 を削除できません。スクリーン セーバーが動いているときは終了してから、もう一度アンインストールしてください。"
LangString InstallFailed ${LANG_ENGLISH} "The installation failed."
LangString InstallFailed ${LANG_JAPANESE} "インストールに失敗しました。"
LangString UninstallFailed ${LANG_ENGLISH} "The uninstallation failed."
LangString UninstallFailed ${LANG_JAPANESE} "アンインストールに失敗しました。"

; ---------------------------------------------------------------- shared by both programs

; The places: the saver's folder and the data folder on the drive of the Windows directory,
; the one the saver looks in when no settings file names another.
!macro FIND_PLACES un
Function ${un}FindPlaces
  ; A 32-bit program on 64-bit Windows sees SysWOW64 as its system folder; its real name is
  ; what the display settings and Explorer need.
  System::Call 'kernel32::GetSystemWow64DirectoryW(w .r0, i ${NSIS_MAX_STRLEN}) i .r1'
  ${If} $1 > 0
    StrCpy $SaverDir $0
  ${Else}
    StrCpy $SaverDir $SYSDIR
  ${EndIf}
  StrCpy $DataDir $WINDIR 1
  StrCpy $DataDir "$DataDir:\${DATA_FOLDER}"
FunctionEnd
!macroend
!insertmacro FIND_PLACES ""
!insertmacro FIND_PLACES "un."

; Reports a failure (the message on the stack) and ends the run with exit code 2: a message box,
; or in a silent run a line on the standard error output, where a calling script finds it.
!macro FAIL_FUNCTION un summary
Function ${un}Fail
  Exch $0
  DetailPrint $0
  ${If} ${Silent}
    System::Call 'kernel32::GetStdHandle(i -12) p .r1'
    ${If} $1 P<> 0
    ${AndIf} $1 P<> -1
      FileWrite $1 "${PRODUCT}: $0$\r$\n"
    ${EndIf}
  ${Else}
    MessageBox MB_OK|MB_ICONSTOP $0
  ${EndIf}
  SetErrorLevel 2
  Abort "$(${summary})"
FunctionEnd
!macroend
!insertmacro FAIL_FUNCTION "" InstallFailed
!insertmacro FAIL_FUNCTION "un." UninstallFailed

!macro FAIL message
  Push "${message}"
  Call Fail
!macroend

!macro UNFAIL message
  Push "${message}"
  Call un.Fail
!macroend

; ---------------------------------------------------------------- installer

Function .onInit
  SetRegView 32
  Call FindPlaces
  StrCpy $INSTDIR $DataDir
FunctionEnd

; Size of the file named on the stack, in bytes, left on the stack (0 when it cannot be read).
Function FileSize
  Exch $0
  Push $1
  Push $2
  StrCpy $2 0
  ClearErrors
  FileOpen $1 $0 r
  ${IfNot} ${Errors}
    FileSeek $1 0 END $2
    FileClose $1
  ${EndIf}
  StrCpy $0 $2
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Sets ${flag} to 1 when ${path} is not there yet, so this run is about to make it.
!macro NOTE_NEW flag path
  StrCpy ${flag} 0
  ${IfNot} ${FileExists} "${path}"
    StrCpy ${flag} 1
  ${EndIf}
!macroend

; Puts the file ${source} of the build into the output folder as ${name};
; a file that cannot be written fails the install.
!macro INSTALL_FILE flag source name
  !insertmacro NOTE_NEW ${flag} "$OUTDIR\${name}"
  ClearErrors
  File "/oname=${name}" "${source}"
  ${If} ${Errors}
    StrCpy $0 "$OUTDIR\${name}"
    !insertmacro FAIL "$(CannotWrite)"
  ${EndIf}
!macroend

; A failed install takes away what it made; what was there before stays.
Function .onInstFailed
  ${If} $NewUninstaller == 1
    Delete "$DataDir\${UNINSTALLER}"
  ${EndIf}
  ${If} $NewSaver == 1
    Delete "$SaverDir\${SAVER_FILE}"
  ${EndIf}
  ${If} $NewMusic == 1
    Delete "$DataDir\${MUSIC_FILE}"
  ${EndIf}
  ${If} $NewDataDir == 1
    RMDir "$DataDir"
  ${EndIf}
FunctionEnd

Section "Install"
  SetRegView 32
  !insertmacro NOTE_NEW $NewDataDir "$DataDir\*.*"
  ClearErrors
  CreateDirectory $DataDir
  ${IfNot} ${FileExists} "$DataDir\*.*"
    !insertmacro FAIL "$(NoDataFolder)"
  ${EndIf}
  SetOutPath $DataDir
  !insertmacro INSTALL_FILE $NewMusic "${MUSIC}" "${MUSIC_FILE}"
  SetOutPath $SaverDir
  !insertmacro INSTALL_FILE $NewSaver "${SAVER}" "${SAVER_FILE}"
  SetOutPath $DataDir

  !insertmacro NOTE_NEW $NewUninstaller "$DataDir\${UNINSTALLER}"
  ClearErrors
  WriteUninstaller "$DataDir\${UNINSTALLER}"
  ${If} ${Errors}
  ${OrIfNot} ${FileExists} "$DataDir\${UNINSTALLER}"
    StrCpy $0 "$DataDir\${UNINSTALLER}"
    !insertmacro FAIL "$(CannotWrite)"
  ${EndIf}

  ; The entry comes only once everything it names is in place.
  Push "$SaverDir\${SAVER_FILE}"
  Call FileSize
  Pop $1
  Push "$DataDir\${MUSIC_FILE}"
  Call FileSize
  Pop $2
  Push "$DataDir\${UNINSTALLER}"
  Call FileSize
  Pop $3
  IntOp $1 $1 + $2
  IntOp $1 $1 + $3
  IntOp $1 $1 + 1023
  IntOp $1 $1 / 1024
  ClearErrors
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SaverDir\${SAVER_FILE},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$DataDir"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$DataDir\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$DataDir\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${If} ${Errors}
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    !insertmacro FAIL "$(CannotRegister)"
  ${EndIf}

  ; A silent run has no finish page: its checkbox's choice comes from the command line.
  ${If} ${Silent}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/KEEPSAVER" $1
    ${If} ${Errors}
      Call UseAsScreenSaver
    ${EndIf}
  ${EndIf}
SectionEnd

Function FinishPageShow
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/KEEPSAVER" $1
  ${IfNot} ${Errors}
    SendMessage $mui.FinishPage.ShowReadme ${BM_SETCHECK} ${BST_UNCHECKED} 0
  ${EndIf}
FunctionEnd

; Makes the installed saver the current screen saver, named by its short path as the display
; settings name it.
Function UseAsScreenSaver
  GetFullPathName /SHORT $0 "$SaverDir\${SAVER_FILE}"
  ${If} $0 == ""
    StrCpy $0 "$SaverDir\${SAVER_FILE}"
  ${EndIf}
  ClearErrors
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $0
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ${If} ${Errors}
    !insertmacro FAIL "$(CannotSetSaver)"
  ${EndIf}
  ; Tells the running system, which keeps its own copy of the switch.
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATE_AND_SEND})'
FunctionEnd

; ---------------------------------------------------------------- uninstaller

Function un.onInit
  SetRegView 32
  Call un.FindPlaces
FunctionEnd

; Sets $R0 to 1 when the current screen saver is this one, by its long or short path in any
; letter case, else 0; asked while the saver's file still exists, since short names need it.
Function un.NamesThisSaver
  StrCpy $R0 0
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != ""
    StrCpy $1 "$SaverDir\${SAVER_FILE}"
    ${If} $0 == $1 ; StrCmp ignores the letter case
      StrCpy $R0 1
    ${Else}
      GetFullPathName /SHORT $1 $1
      GetFullPathName /SHORT $0 $0
      ${If} $0 != ""
      ${AndIf} $0 == $1
        StrCpy $R0 1
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

!macro REMOVE_FILE path
  Delete "${path}"
  ${If} ${FileExists} "${path}"
    StrCpy $0 "${path}"
    !insertmacro UNFAIL "$(CannotRemove)"
  ${EndIf}
!macroend

Section "Uninstall"
  SetRegView 32
  Call un.NamesThisSaver
  !insertmacro REMOVE_FILE "$SaverDir\${SAVER_FILE}"
  !insertmacro REMOVE_FILE "$INSTDIR\${MUSIC_FILE}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${If} $R0 == 1
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}

  ; Run in place (with _?=) the uninstaller cannot remove itself: it goes, with the folder when
  ; nothing else is in it, at the next start of Windows.
  Delete "$INSTDIR\${UNINSTALLER}"
  ${If} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
    StrCpy $1 0 ; entries other than . , .. and the uninstaller
    FindFirst $2 $3 "$INSTDIR\*.*"
    ${DoWhile} $3 != ""
      ${If} $3 != "."
      ${AndIf} $3 != ".."
      ${AndIf} $3 != "${UNINSTALLER}"
        IntOp $1 $1 + 1
      ${EndIf}
      FindNext $2 $3
    ${Loop}
    FindClose $2
    ${If} $1 == 0
      RMDir /REBOOTOK "$INSTDIR"
    ${EndIf}
  ${Else}
    RMDir "$INSTDIR"
  ${EndIf}
SectionEnd
