; zelvinorapasetup.exe: the client for the current user, without administrator
; rights, into the user's own programs folder. Made by scripts/windows/setup:
;   makensis -DVERSION=<x.y.z> -DNUMVERSION=<x.y.0.0> -DDIST=<build-win/dist>
;            -DFILES=<files.nsh> -DICON=<.ico> -DOUTFILE=<exe> zelvinorapa.nsi
; FILES lists every file of DIST (ZV_EACH_FILE) and its folders, deepest
; first (ZV_EACH_FOLDER): the setup and the uninstaller only ever delete what
; is on that list.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS all

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "${FILES}"

!define APPNAME "Личный кабинет Зелвинора"
!define PUBLISHER "ZelVinora"
!define ABOUTURL "https://lk.zelvinora.example/"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zelvinorapa"
!define RUNKEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define STOREKEY "Software\ZelVinora\${APPNAME}\general"
; Written into the program folder first: a folder holding it is this
; program's, and may be replaced.
!define MARKER "zelvinorapa.setup"
; Half-seconds the setup waits for a client that is ending by itself (the
; self-update: the client starts the setup and ends), and for one it asked
; to end.
!define ENDING_WAIT 20
!define ASKED_WAIT 40

Name "${APPNAME}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\ZelVinora"
BrandingText "${APPNAME} ${VERSION}"

VIProductVersion "${NUMVERSION}"
VIFileVersion "${NUMVERSION}"
VIAddVersionKey /LANG=1049 "ProductName" "${APPNAME}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка программы «${APPNAME}»"
VIAddVersionKey /LANG=1049 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "© ${PUBLISHER}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "OriginalFilename" "zelvinorapasetup.exe"

Var wasRunning
Var busy

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
; The wizard's own title of the last page, with the program's long name in
; it, runs over three lines and is cut.
!define MUI_FINISHPAGE_TITLE "Установка завершена"
!define MUI_FINISHPAGE_RUN "$INSTDIR\zelvinorapa.exe"
!define MUI_FINISHPAGE_RUN_PARAMETERS "--installed-by $\"$EXEPATH$\""
!define MUI_FINISHPAGE_RUN_TEXT "Запустить «${APPNAME}»"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

; $R9 is the folder the list applies to.
!macro DeleteListed PATH
  Delete "$R9\${PATH}"
!macroend
!macro RemoveListedFolder PATH
  RMDir "$R9\${PATH}"
!macroend
; A file that cannot be opened for writing is held by a running program.
!macro CheckListed PATH
  ${If} ${FileExists} "$R9\${PATH}"
    ClearErrors
    FileOpen $R8 "$R9\${PATH}" a
    ${If} ${Errors}
      StrCpy $busy "${PATH}"
    ${Else}
      FileClose $R8
    ${EndIf}
  ${EndIf}
!macroend
!macro ListedLeft PATH
  ${If} ${FileExists} "$R9\${PATH}"
    StrCpy $busy "${PATH}"
  ${EndIf}
!macroend

!macro Functions UN
; The program's own files in $R9, and nothing else: the user's files there stay.
Function ${UN}RemoveOwnFiles
  !insertmacro ZV_EACH_FILE DeleteListed
  Delete "$R9\uninstall.exe"
  Delete "$R9\${MARKER}"
  !insertmacro ZV_EACH_FOLDER RemoveListedFolder
  RMDir "$R9"
FunctionEnd

; $0 = 1 while the client waits in $INSTDIR\zelvinorapa.exe.
Function ${UN}ClientRunning
  StrCpy $0 0
  ${If} ${FileExists} "$INSTDIR\zelvinorapa.exe"
    ClearErrors
    FileOpen $1 "$INSTDIR\zelvinorapa.exe" a
    ${If} ${Errors}
      StrCpy $0 1
    ${Else}
      FileClose $1
    ${EndIf}
  ${EndIf}
FunctionEnd

; The client listens for this event and ends as its tray menu's "Выход" does.
Function ${UN}AskClientToEnd
  DetailPrint "Просим программу «${APPNAME}» закрыться…"
  System::Call 'kernel32::OpenEventW(i 2, i 0, w "Local\zelvinoraPA-end") p.r1'
  ${If} $1 != 0
    System::Call 'kernel32::SetEvent(p r1)'
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
FunctionEnd

; Waits up to $2 half-seconds; $0 = 1 when the client still runs.
Function ${UN}WaitForEnd
  StrCpy $3 0
  ${Do}
    Call ${UN}ClientRunning
    ${If} $0 == 0
    ${OrIf} $3 >= $2
      ${Break}
    ${EndIf}
    Sleep 500
    IntOp $3 $3 + 1
  ${Loop}
FunctionEnd

; Before a file is touched the client must have ended. A silent run asks it
; to end and waits a bounded time; the pages say it runs and offer to close
; it (or the user closes it) until it has ended or the user cancels.
; $2: half-seconds to wait before asking.
Function ${UN}EndClient
  StrCpy $wasRunning 0
  Call ${UN}WaitForEnd
  ${If} $0 == 0
    Return
  ${EndIf}
  StrCpy $wasRunning 1
  ${Do}
    ${IfNot} ${Silent}
      MessageBox MB_ICONEXCLAMATION|MB_RETRYCANCEL "Программа «${APPNAME}» сейчас работает.$\r$\n$\r$\nНажмите «Повторить», чтобы закрыть её и продолжить, или закройте её сами. «Отмена» прерывает работу, ничего не меняя." IDRETRY retry
      Abort "Прервано: программа «${APPNAME}» работает"
      retry:
    ${EndIf}
    Call ${UN}AskClientToEnd
    StrCpy $2 ${ASKED_WAIT}
    Call ${UN}WaitForEnd
    ${If} $0 == 1
    ${AndIf} ${Silent}
      Abort "Программа «${APPNAME}» не закрылась: ничего не изменено"
    ${EndIf}
  ${LoopWhile} $0 == 1
FunctionEnd
!macroend
!insertmacro Functions ""
!insertmacro Functions "un."

; The folder must be empty, or hold this program (its marker, or the
; uninstall entry naming it); anything else may be the user's, and a setup
; that replaced it would lose it.
Function CheckTargetFolder
  ${IfNot} ${FileExists} "$INSTDIR\*.*"
  ${OrIf} ${FileExists} "$INSTDIR\${MARKER}"
    Return
  ${EndIf}
  ReadRegStr $0 HKCU "${UNINSTKEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    Return
  ${EndIf}
  FindFirst $1 $2 "$INSTDIR\*.*"
  ${DoWhile} $2 != ""
    ${If} $2 != "."
    ${AndIf} $2 != ".."
      ${Break}
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
  ${If} $2 != ""
    MessageBox MB_ICONSTOP "В папке $INSTDIR уже лежат другие файлы. Выберите пустую папку или папку, где уже установлена программа «${APPNAME}»." /SD IDOK
    Abort "Папка $INSTDIR не пуста: установка отменена"
  ${EndIf}
FunctionEnd

; A folder the setup works in beside the program folder: left over by a setup
; that was stopped, its own files go; one that is not its own stops it.
Function ClearWorkFolder
  ${IfNot} ${FileExists} "$R9\*.*"
    Return
  ${EndIf}
  ${IfNot} ${FileExists} "$R9\${MARKER}"
    MessageBox MB_ICONSTOP "Папка $R9 занята другими файлами. Переименуйте или удалите её и запустите установку снова." /SD IDOK
    Abort "Папка $R9 занята"
  ${EndIf}
  Call RemoveOwnFiles
  ${If} ${FileExists} "$R9\*.*"
    Abort "Не удалось очистить папку $R9"
  ${EndIf}
FunctionEnd

; What the user had put in the old program folder goes back into the new one.
Function KeepUserFiles
  StrCpy $R9 "$INSTDIR.old"
  Call RemoveOwnFiles
  ${IfNot} ${FileExists} "$INSTDIR.old\*.*"
    Return
  ${EndIf}
  FindFirst $1 $2 "$INSTDIR.old\*.*"
  ${DoWhile} $2 != ""
    ${If} $2 != "."
    ${AndIf} $2 != ".."
    ${AndIfNot} ${FileExists} "$INSTDIR\$2"
      Rename "$INSTDIR.old\$2" "$INSTDIR\$2"
    ${EndIf}
    FindNext $1 $2
  ${Loop}
  FindClose $1
  RMDir "$INSTDIR.old"
  ${If} ${FileExists} "$INSTDIR.old\*.*"
    DetailPrint "Файлы, которые не удалось вернуть в папку программы, оставлены в $INSTDIR.old"
  ${EndIf}
FunctionEnd

; The new files go into a folder of their own first; the old folder is moved
; aside and the new one put in its place, so a failure leaves either the old
; program or the new one, never a mixture.
Section "Install"
  Call CheckTargetFolder
  StrCpy $2 ${ENDING_WAIT}
  Call EndClient
  SetOutPath "$TEMP"
  StrCpy $R9 "$INSTDIR.new"
  Call ClearWorkFolder
  StrCpy $R9 "$INSTDIR.old"
  Call ClearWorkFolder
  ClearErrors
  CreateDirectory "$INSTDIR.new"
  FileOpen $0 "$INSTDIR.new\${MARKER}" w
  FileWrite $0 "${VERSION}$\r$\n"
  FileClose $0
  SetOutPath "$INSTDIR.new"
  File /r "${DIST}\*.*"
  WriteUninstaller "$INSTDIR.new\uninstall.exe"
  SetOutPath "$TEMP"
  ${If} ${Errors}
    StrCpy $R9 "$INSTDIR.new"
    Call RemoveOwnFiles
    Abort "Не удалось записать файлы программы"
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\*.*"
    ClearErrors
    Rename "$INSTDIR" "$INSTDIR.old"
    ${If} ${Errors}
      StrCpy $R9 "$INSTDIR.new"
      Call RemoveOwnFiles
      MessageBox MB_ICONSTOP "Не удалось заменить файлы программы в $INSTDIR: какой-то из них занят." /SD IDOK
      Abort "Папка программы занята"
    ${EndIf}
  ${EndIf}
  ClearErrors
  Rename "$INSTDIR.new" "$INSTDIR"
  ${If} ${Errors}
    Rename "$INSTDIR.old" "$INSTDIR"
    StrCpy $R9 "$INSTDIR.new"
    Call RemoveOwnFiles
    Abort "Не удалось поставить новую папку программы"
  ${EndIf}
  Call KeepUserFiles
  SetOutPath "$INSTDIR"

  CreateDirectory "$SMPROGRAMS\${APPNAME}"
  CreateShortcut "$SMPROGRAMS\${APPNAME}\${APPNAME}.lnk" "$INSTDIR\zelvinorapa.exe"
  CreateShortcut "$SMPROGRAMS\${APPNAME}\Удалить.lnk" "$INSTDIR\uninstall.exe"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTKEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\zelvinorapa.exe,0"
  WriteRegStr HKCU "${UNINSTKEY}" "URLInfoAbout" "${ABOUTURL}"
  WriteRegDWORD HKCU "${UNINSTKEY}" "EstimatedSize" $0
  WriteRegStr HKCU "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoRepair" 1
  ; An uninstall took the log-on entry; the stored setting still wants it.
  ReadRegStr $0 HKCU "${STOREKEY}" "autostart"
  ${If} $0 == "true"
    WriteRegStr HKCU "${RUNKEY}" "zelvinoraPA" "$INSTDIR\zelvinorapa.exe"
  ${EndIf}

  ; A silent update puts the client it replaced back on the screen; the pages
  ; offer the same on their last page.
  ${If} ${Silent}
  ${AndIf} $wasRunning == 1
    Exec '"$INSTDIR\zelvinorapa.exe" --installed-by "$EXEPATH"'
  ${EndIf}
SectionEnd

; $busy: the first file of the program in $R9 that a running program holds.
Function un.FindBusyFile
  StrCpy $busy ""
  !insertmacro ZV_EACH_FILE CheckListed
FunctionEnd

; Only the program's own files: the settings in the registry, the download
; cache, the WinRIK and Гранд-Смета folders and whatever else lies in the
; program folder stay as they are. Nothing is removed while any of the
; program's files is held, and the entry in the list of installed programs
; goes only with the program's last file.
Section "Uninstall"
  StrCpy $2 0
  Call un.EndClient
  SetOutPath "$TEMP"
  StrCpy $R9 "$INSTDIR"
  ${Do}
    Call un.FindBusyFile
    ${If} $busy == ""
      ${Break}
    ${EndIf}
    MessageBox MB_ICONEXCLAMATION|MB_RETRYCANCEL "Файл $INSTDIR\$busy занят другой программой. Закройте её и нажмите «Повторить»; «Отмена» прерывает удаление, ничего не меняя." /SD IDCANCEL IDRETRY again
    Abort "Файл $busy занят: ничего не удалено"
    again:
  ${Loop}
  Call un.RemoveOwnFiles
  StrCpy $busy ""
  !insertmacro ZV_EACH_FILE ListedLeft
  ${If} $busy != ""
    Abort "Не удалось удалить $INSTDIR\$busy: программа осталась в списке установленных"
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\*.*"
    DetailPrint "Файлы, которые не ставила установка, оставлены в $INSTDIR"
  ${EndIf}
  Delete "$SMPROGRAMS\${APPNAME}\${APPNAME}.lnk"
  Delete "$SMPROGRAMS\${APPNAME}\Удалить.lnk"
  RMDir "$SMPROGRAMS\${APPNAME}"
  DeleteRegKey HKCU "${UNINSTKEY}"
  ; The log-on entry would start a program that is gone.
  DeleteRegValue HKCU "${RUNKEY}" "zelvinoraPA"
SectionEnd
