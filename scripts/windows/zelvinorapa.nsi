; zelvinorapasetup.exe: the client for the current user, without administrator
; rights, into the user's own programs folder. Made by scripts/windows/setup:
;   makensis -DVERSION=<x.y.z> -DDIST=<build-win/dist> -DICON=<.ico> -DOUTFILE=<exe> zelvinorapa.nsi
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define APPNAME "Личный кабинет Зелвинора"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zelvinorapa"
!define RUNKEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Seconds the setup waits for a running client (the self-update case: the
; client starts the setup and ends).
!define CLIENT_WAIT_SECONDS 60

Name "${APPNAME}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\ZelVinora"
BrandingText "${APPNAME} ${VERSION}"

Var wasRunning

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
; The wizard's own title of the last page, with the program's long name in
; it, runs over three lines and is cut.
!define MUI_FINISHPAGE_TITLE "Установка завершена"
!define MUI_FINISHPAGE_RUN "$INSTDIR\zelvinorapa.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Запустить «${APPNAME}»"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

; A running program's file cannot be opened for writing: that is how a
; running client is told apart, with no process list needed.
Function WaitForClient
  StrCpy $wasRunning 0
  StrCpy $R0 0
  ${DoWhile} ${FileExists} "$INSTDIR\zelvinorapa.exe"
    ClearErrors
    FileOpen $R1 "$INSTDIR\zelvinorapa.exe" a
    ${IfNot} ${Errors}
      FileClose $R1
      ${Break}
    ${EndIf}
    StrCpy $wasRunning 1
    ${If} $R0 >= ${CLIENT_WAIT_SECONDS}
      MessageBox MB_ICONSTOP "«${APPNAME}» всё ещё работает. Закройте программу и запустите установку снова." /SD IDOK
      Abort "Программа не закрылась за ${CLIENT_WAIT_SECONDS} с"
    ${EndIf}
    DetailPrint "Ждём, пока закроется работающая программа…"
    Sleep 1000
    IntOp $R0 $R0 + 1
  ${Loop}
FunctionEnd

; The new files go into a folder of their own first; the old folder is moved
; aside and the new one put in its place, so a failure leaves either the old
; program or the new one, never a mixture.
Section "Install"
  Call WaitForClient
  ; Leftovers of a setup that was stopped half-way.
  SetOutPath "$TEMP"
  RMDir /r "$INSTDIR.new"
  RMDir /r "$INSTDIR.old"
  ClearErrors
  SetOutPath "$INSTDIR.new"
  File /r "${DIST}\*.*"
  WriteUninstaller "$INSTDIR.new\uninstall.exe"
  SetOutPath "$TEMP"
  ${If} ${Errors}
    RMDir /r "$INSTDIR.new"
    Abort "Не удалось записать файлы программы"
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\*.*"
    ClearErrors
    Rename "$INSTDIR" "$INSTDIR.old"
    ${If} ${Errors}
      RMDir /r "$INSTDIR.new"
      MessageBox MB_ICONSTOP "Не удалось заменить файлы программы в $INSTDIR: какой-то из них занят." /SD IDOK
      Abort "Папка программы занята"
    ${EndIf}
  ${EndIf}
  ClearErrors
  Rename "$INSTDIR.new" "$INSTDIR"
  ${If} ${Errors}
    Rename "$INSTDIR.old" "$INSTDIR"
    RMDir /r "$INSTDIR.new"
    Abort "Не удалось поставить новую папку программы"
  ${EndIf}
  RMDir /r "$INSTDIR.old"
  SetOutPath "$INSTDIR"

  CreateDirectory "$SMPROGRAMS\${APPNAME}"
  CreateShortcut "$SMPROGRAMS\${APPNAME}\${APPNAME}.lnk" "$INSTDIR\zelvinorapa.exe"
  CreateShortcut "$SMPROGRAMS\${APPNAME}\Удалить.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayName" "${APPNAME}"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTKEY}" "Publisher" "ZelVinora"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\zelvinorapa.exe"
  WriteRegStr HKCU "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoRepair" 1

  ; A silent update puts the client it replaced back on the screen; the pages
  ; offer the same on their last page.
  ${If} ${Silent}
  ${AndIf} $wasRunning == 1
    Exec '"$INSTDIR\zelvinorapa.exe"'
  ${EndIf}
SectionEnd

; Only the program's own files: the settings in the registry, the download
; cache and the WinRIK and Гранд-Смета folders stay as they are.
Section "Uninstall"
  SetOutPath "$TEMP"
  RMDir /r "$INSTDIR"
  Delete "$SMPROGRAMS\${APPNAME}\${APPNAME}.lnk"
  Delete "$SMPROGRAMS\${APPNAME}\Удалить.lnk"
  RMDir "$SMPROGRAMS\${APPNAME}"
  DeleteRegKey HKCU "${UNINSTKEY}"
  ; The log-on entry would start a program that is gone.
  DeleteRegValue HKCU "${RUNKEY}" "zelvinoraPA"
SectionEnd
