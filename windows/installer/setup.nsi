; The setup programs of QAV SAVER Vol.3, one for each build, made with makensis:
;   makensis -DVERSION=x.y.z -DSAVER=<QAVSSV3.SCR> -DMUSIC=<BGM04.SSS> -DICON=<icon>
;            -DPICTURE=<164x314 bitmap> -DOUTFILE=<setup program>
;            -DMUSIC_FILE=<music file name> -DDATA_FOLDER=<default data folder> [-DX64] setup.nsi
; The build passes the names of res/data_files.h as MUSIC_FILE and DATA_FOLDER.
;
; The 32-bit one puts the 32-bit saver into the system folder that 32-bit programs use
; (SysWOW64 on 64-bit Windows); with -DX64 it is a 64-bit program that puts the 64-bit saver
; into the system folder of 64-bit programs (System32) and refuses to run elsewhere than on
; 64-bit Windows. Either puts the music into the saver's default data folder
; "<Windows drive>:\QavSaver3" with the uninstaller beside it, registers the uninstaller in
; Apps / Add or Remove Programs (in the registry view of its own kind) and, unless told
; otherwise, makes it the current screen saver. Installing one build takes the other one's saver
; file and entry away, so one saver and one entry remain; where the current screen saver was
; the other build's, it becomes this one. The settings file QAV3CFG.INI is never written or
; removed.
;
; Switches (besides NSIS's own /S for a silent run):
;   /KEEPSAVER   leave the current screen saver as it is ("Use as my screen saver" unticked).
; NSIS's /D= has no effect: the places are those the saver and the display settings look in.
; Exit codes: 0 installed, 1 cancelled, 2 failed (a message tells why: a message box, or in a
; silent run a line on the standard error output).

!ifdef X64
  Target amd64-unicode
  !define OWN_VIEW 64
  !define OTHER_VIEW 32
  !define OTHER_SETUP "QAVSSV3-setup.exe"
!else
  Unicode true
  !define OWN_VIEW 32
  !define OTHER_VIEW 64
  !define OTHER_SETUP "QAVSSV3-x64-setup.exe"
!endif
ManifestSupportedOS all
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!ifndef VERSION | SAVER | MUSIC | ICON | PICTURE | OUTFILE | MUSIC_FILE | DATA_FOLDER
  !error "define VERSION, SAVER, MUSIC, ICON, PICTURE, OUTFILE, MUSIC_FILE and DATA_FOLDER"
!endif

!define PRODUCT "QAV SAVER Vol.3"
!define PUBLISHER "QAV SAVER project"
!define SAVER_FILE "QAVSSV3.SCR"
!define UNINSTALLER "QAV3UNIN.EXE"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QavSaver3"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATE_AND_SEND 3
; Held by a setup program while it runs, by either build's: both write the same files.
!define SETUP_MUTEX "QavSaver3Setup"
!define ERROR_ALREADY_EXISTS 183
; Exit codes: 2 a failed install or uninstall, 3 another setup program is running.
!define EXIT_FAILED 2
!define EXIT_SETUP_RUNNING 3

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
!include x64.nsh

; The saver's folder, the system folder of programs of this build's kind; the data folder, the
; saver's default one, is $INSTDIR.
Var SaverDir
; Where the other build puts its saver, "" on a Windows that has no other kind of program.
Var OtherSaverDir
Var KeepSaver  ; 1 when /KEEPSAVER was given
Var NamedOtherSaver  ; 1 when the current screen saver was the other build's
Var FailCode  ; the exit code of a failure: EXIT_FAILED unless set otherwise
; 1 for what this run made, taken away again if it fails
Var NewDataDir
Var NewMusic
Var NewSaver
Var NewUninstaller

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${PICTURE}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "$(FinishText)"
!define MUI_FINISHPAGE_TEXT_LARGE
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
!ifdef X64
LangString FinishText ${LANG_ENGLISH} "${PRODUCT} (64-bit) has been installed.$\r$\n$\r$\nThis setup program is for 64-bit Windows. On 32-bit Windows, use ${OTHER_SETUP}."
LangString FinishText ${LANG_JAPANESE} "${PRODUCT} (64 ビット版) をインストールしました。$\r$\n$\r$\nこのセットアップは 64 ビット版 Windows 用です。32 ビット版 Windows では ${OTHER_SETUP} を使ってください。"
LangString Needs64Bit ${LANG_ENGLISH} "This setup program installs the 64-bit ${PRODUCT} and needs 64-bit Windows. On 32-bit Windows, use ${OTHER_SETUP}."
LangString Needs64Bit ${LANG_JAPANESE} "このセットアップは 64 ビット版の ${PRODUCT} をインストールするため、64 ビット版 Windows が必要です。32 ビット版 Windows では ${OTHER_SETUP} を使ってください。"
!else
LangString FinishText ${LANG_ENGLISH} "${PRODUCT} has been installed.$\r$\n$\r$\nThis setup program installs the 32-bit saver, which runs on every Windows. On 64-bit Windows, ${OTHER_SETUP} installs the 64-bit saver instead."
LangString FinishText ${LANG_JAPANESE} "${PRODUCT} をインストールしました。$\r$\n$\r$\nこのセットアップはどの Windows でも動く 32 ビット版をインストールします。64 ビット版 Windows では、${OTHER_SETUP} で 64 ビット版をインストールすることもできます。"
!endif
LangString NoDataFolder ${LANG_ENGLISH} "Cannot create the folder $INSTDIR."
LangString NoDataFolder ${LANG_JAPANESE} "フォルダー $INSTDIR を作成できません。"
LangString CannotWrite ${LANG_ENGLISH} "Cannot write $0. If the screen saver is running, end it and run the setup again."
LangString CannotWrite ${LANG_JAPANESE} "$0 に書き込めません。スクリーン セーバーが動いているときは終了してから、もう一度セットアップしてください。"
LangString CannotRegister ${LANG_ENGLISH} "Cannot write the uninstall information to the registry."
LangString CannotRegister ${LANG_JAPANESE} "アンインストール情報をレジストリに書き込めません。"
LangString CannotSetSaver ${LANG_ENGLISH} "Cannot make ${PRODUCT} the screen saver."
LangString CannotSetSaver ${LANG_JAPANESE} "${PRODUCT} をスクリーン セーバーに設定できません。"
LangString CannotRemove ${LANG_ENGLISH} "Cannot remove $0. If the screen saver is running, end it and run the uninstaller again."
LangString CannotRemove ${LANG_JAPANESE} "$0 を削除できません。スクリーン セーバーが動いているときは終了してから、もう一度アンインストールしてください。"
LangString AnotherSetup ${LANG_ENGLISH} "Another setup of ${PRODUCT} is running. Wait until it has finished."
LangString AnotherSetup ${LANG_JAPANESE} "${PRODUCT} の別のセットアップが実行中です。終わるまで待ってください。"
LangString InstallFailed ${LANG_ENGLISH} "The installation failed."
LangString InstallFailed ${LANG_JAPANESE} "インストールに失敗しました。"
LangString UninstallFailed ${LANG_ENGLISH} "The uninstallation failed."
LangString UninstallFailed ${LANG_JAPANESE} "アンインストールに失敗しました。"

; ---------------------------------------------------------------- shared by both programs

; The saver's folder and the other build's. SysWOW64 is the system folder of 32-bit programs on
; 64-bit Windows (a 32-bit program sees it as System32; its real name is what the display
; settings and Explorer need); System32 that of 64-bit programs, reached from a 32-bit program
; only with the file system redirection off.
!macro FIND_PLACES un
Function ${un}FindPlaces
  System::Call 'kernel32::GetSystemWow64DirectoryW(w .r0, i ${NSIS_MAX_STRLEN}) i .r1'
!ifdef X64
  StrCpy $SaverDir $SYSDIR
  StrCpy $OtherSaverDir ""
  ${If} $1 > 0
    StrCpy $OtherSaverDir $0
  ${EndIf}
!else
  StrCpy $SaverDir $SYSDIR
  StrCpy $OtherSaverDir ""
  ${If} $1 > 0
    StrCpy $SaverDir $0
  ${EndIf}
  ${If} ${RunningX64}
    StrCpy $OtherSaverDir $SYSDIR ; with the redirection off
  ${EndIf}
!endif
FunctionEnd
!macroend
!insertmacro FIND_PLACES ""
!insertmacro FIND_PLACES "un."

; Sets $R0 to 1 when the current screen saver is the file named on the stack (taken off it),
; by its long or short path in any letter case, else 0; asked while the file still exists, since
; short names need it. Keeps $0 and $1.
!macro NAMES_SAVER un
Function ${un}NamesSaver
  Exch $1
  Push $0
  StrCpy $R0 0
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != ""
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
  Pop $0
  Pop $1
FunctionEnd
!macroend
!insertmacro NAMES_SAVER ""
!insertmacro NAMES_SAVER "un."

; Reports a failure (the message on the stack) and ends the run with exit code $FailCode (2 unless
; set otherwise): a message box,
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
  ${If} $FailCode == ""
    StrCpy $FailCode ${EXIT_FAILED}
  ${EndIf}
  SetErrorLevel $FailCode
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
  SetRegView ${OWN_VIEW}
!ifdef X64
  ${IfNot} ${RunningX64}
    Push "$(Needs64Bit)"
    Call Fail
  ${EndIf}
!endif
  ; One setup program at a time: a second one would find the first one's files half written.
  ; The mutex stays held until this process ends.
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "${SETUP_MUTEX}") p .r0 ?e'
  Pop $1
  ${If} $1 = ${ERROR_ALREADY_EXISTS}
    StrCpy $FailCode ${EXIT_SETUP_RUNNING}
    Push "$(AnotherSetup)"
    Call Fail
  ${EndIf}
  Call FindPlaces
  ; The data folder on the drive of the Windows directory: the one the saver looks in when no
  ; settings file names another.
  StrCpy $INSTDIR $WINDIR 1
  StrCpy $INSTDIR "$INSTDIR:\${DATA_FOLDER}"
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/KEEPSAVER" $1
  StrCpy $KeepSaver 1
  ${If} ${Errors}
    StrCpy $KeepSaver 0
  ${EndIf}
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
    Delete "$INSTDIR\${UNINSTALLER}"
  ${EndIf}
  ${If} $NewSaver == 1
    Delete "$SaverDir\${SAVER_FILE}"
  ${EndIf}
  ${If} $NewMusic == 1
    Delete "$INSTDIR\${MUSIC_FILE}"
  ${EndIf}
  ${If} $NewDataDir == 1
    RMDir "$INSTDIR"
  ${EndIf}
FunctionEnd

; Takes away the other build's saver and entry, noting first whether the current screen saver
; names it; its file that cannot be removed fails the install.
Function RemoveOtherBuild
  StrCpy $NamedOtherSaver 0
  ${If} $OtherSaverDir == ""
    Return
  ${EndIf}
!ifndef X64
  ${DisableX64FSRedirection}
!endif
  StrCpy $0 "$OtherSaverDir\${SAVER_FILE}"
  ${If} ${FileExists} $0
    Push $0
    Call NamesSaver
    StrCpy $NamedOtherSaver $R0
    Delete $0
  ${EndIf}
  ${If} ${FileExists} $0
!ifndef X64
    ${EnableX64FSRedirection}
!endif
    !insertmacro FAIL "$(CannotWrite)"
  ${EndIf}
!ifndef X64
  ${EnableX64FSRedirection}
!endif
  SetRegView ${OTHER_VIEW}
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  SetRegView ${OWN_VIEW}
FunctionEnd

Section "Install"
  SetRegView ${OWN_VIEW}
  !insertmacro NOTE_NEW $NewDataDir "$INSTDIR\*.*"
  ClearErrors
  CreateDirectory $INSTDIR
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
    !insertmacro FAIL "$(NoDataFolder)"
  ${EndIf}
  SetOutPath $INSTDIR
  !insertmacro INSTALL_FILE $NewMusic "${MUSIC}" "${MUSIC_FILE}"
  SetOutPath $SaverDir
  !insertmacro INSTALL_FILE $NewSaver "${SAVER}" "${SAVER_FILE}"
  SetOutPath $INSTDIR

  !insertmacro NOTE_NEW $NewUninstaller "$INSTDIR\${UNINSTALLER}"
  ClearErrors
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  ${If} ${Errors}
  ${OrIfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    StrCpy $0 "$INSTDIR\${UNINSTALLER}"
    !insertmacro FAIL "$(CannotWrite)"
  ${EndIf}

  Call RemoveOtherBuild

  ; The entry comes only once everything it names is in place.
  Push "$SaverDir\${SAVER_FILE}"
  Call FileSize
  Pop $1
  Push "$INSTDIR\${MUSIC_FILE}"
  Call FileSize
  Pop $2
  Push "$INSTDIR\${UNINSTALLER}"
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
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  ; The quiet form runs in place (_?=), so that it returns when the work is done, with its exit
  ; code: a copy of itself in the temporary folder would leave the caller at once with 0.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${If} ${Errors}
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    !insertmacro FAIL "$(CannotRegister)"
  ${EndIf}

  ; A silent run has no finish page: its checkbox's choice comes from the command line. A
  ; current screen saver that named the other build's file, now gone, names this one, and the
  ; user's switch for screen savers stays as it was.
  ${If} ${Silent}
  ${AndIf} $KeepSaver == 0
    Call UseAsScreenSaver
  ${ElseIf} $NamedOtherSaver == 1
    Call NameAsScreenSaver
  ${EndIf}
SectionEnd

Function FinishPageShow
  ${If} $KeepSaver == 1
    SendMessage $mui.FinishPage.ShowReadme ${BM_SETCHECK} ${BST_UNCHECKED} 0
  ${EndIf}
FunctionEnd

; Names the installed saver as the current screen saver, by its short path as the display
; settings name it; whether screen savers run at all is left as the user set it.
Function NameAsScreenSaver
  GetFullPathName /SHORT $0 "$SaverDir\${SAVER_FILE}"
  ${If} $0 == ""
    StrCpy $0 "$SaverDir\${SAVER_FILE}"
  ${EndIf}
  ClearErrors
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $0
  ${If} ${Errors}
    !insertmacro FAIL "$(CannotSetSaver)"
  ${EndIf}
FunctionEnd

; "Use as my screen saver" chosen: the installed saver becomes the current one and screen
; savers are switched on, the only case where setup changes that switch.
Function UseAsScreenSaver
  Call NameAsScreenSaver
  ClearErrors
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ${If} ${Errors}
    !insertmacro FAIL "$(CannotSetSaver)"
  ${EndIf}
  ; Tells the running system, which keeps its own copy of the switch.
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATE_AND_SEND})'
FunctionEnd

; ---------------------------------------------------------------- uninstaller

Function un.onInit
  SetRegView ${OWN_VIEW}
  Call un.FindPlaces
FunctionEnd

!macro REMOVE_FILE path
  Delete "${path}"
  ${If} ${FileExists} "${path}"
    StrCpy $0 "${path}"
    !insertmacro UNFAIL "$(CannotRemove)"
  ${EndIf}
!macroend

Section "Uninstall"
  SetRegView ${OWN_VIEW}
  Push "$SaverDir\${SAVER_FILE}"
  Call un.NamesSaver
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
