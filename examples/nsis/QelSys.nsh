; Runs QelC14BA.dll from an NSIS setup and its uninstaller.
;
;   !define QELSYS_DLL path\QelC14BA.dll   ; the library the setup carries
;   !include "QelSys.nsh"
;   Section "Product"
;     !insertmacro QelSysInstall           ; stops the setup when it fails
;   SectionEnd
;   Section "Uninstall"
;     !insertmacro QelSysUninstall
;   SectionEnd
;   Function .onInstSuccess
;     !insertmacro QelSysAskRestart
;   FunctionEnd                            ; and the same in un.onUninstSuccess
;
; Optional defines: QELSYS_CODES, the decoder generated from the tracked-code
; table (default QelSysCodes.nsh beside this file); QELSYS_LOG_FILE (default
; $TEMP\QelSysSetup.log), to which each run appends the library's answers,
; since a silent run shows nothing. The macros use $0 to $7.
; A silent failed run ends with exit status 2; one that needs a restart, with
; 3010 as Windows Installer answers (ERROR_SUCCESS_REBOOT_REQUIRED).

!ifndef QELSYS_NSH
!define QELSYS_NSH
!include "LogicLib.nsh"
!ifndef QELSYS_DLL
  !error "define QELSYS_DLL (the path of QelC14BA.dll) before including QelSys.nsh"
!endif
!ifdef QELSYS_CODES
  !include "${QELSYS_CODES}"
!else
  !include "${__FILEDIR__}/QelSysCodes.nsh"
!endif
!ifndef QELSYS_LOG_FILE
  !define QELSYS_LOG_FILE "$TEMP\QelSysSetup.log"
!endif
!define QELSYS_RESTART_NEEDED 1001
!define QELSYS_UNSUPPORTED_PLATFORM 1100

Var QelSysResult
Var QelSysCode
Var QelSysFailures
Var QelSysRestart
Var QelSysLogFile

!macro QelSysLog TEXT
  DetailPrint "${TEXT}"
  FileWrite $QelSysLogFile "${TEXT}$\r$\n"
!macroend

; Logs every tracked code, newest first, with its advice; keeps them in
; $QelSysFailures for a message and notes a 1001 in $QelSysRestart.
!macro QelSysListFailures
  StrCpy $QelSysFailures ""
  StrCpy $QelSysRestart 0
  System::Call 'QelC14BA::QelSysGetTrackedErrors(p 0) i .r2'
  ${If} $2 > 0
    IntOp $3 $2 * 4
    System::Alloc $3
    Pop $4
    System::Call 'QelC14BA::QelSysGetTrackedErrors(p r4) i .r2'
    StrCpy $5 0
    ${DoWhile} $5 < $2
      IntOp $6 $5 * 4
      IntPtrOp $6 $4 + $6
      System::Call '*$6(i .r0)'
      IntOp $7 $0 & 0xFFFF
      ${If} $7 = ${QELSYS_RESTART_NEEDED}
        StrCpy $QelSysRestart 1
      ${EndIf}
      !insertmacro QELSYS_DECODE
      IntFmt $0 "0x%08X" $0
      ${If} $1 == ""
        StrCpy $1 "not in this setup's table"
      ${EndIf}
      !insertmacro QelSysLog "tracked $0: $1"
      StrCpy $QelSysFailures "$QelSysFailures$0: $1$\r$\n"
      IntOp $5 $5 + 1
    ${Loop}
    System::Free $4
  ${EndIf}
!macroend

; Calls EXPORT of the library carried in the setup. An unsupported Windows
; and every failure but a restart stop the setup. A success can need a
; restart too (a held copy replaced at the next one), so 1001 is looked for
; among the tracked codes whatever the answer. The library stays loaded, as
; its answers last only as long as it does.
!macro QelSysRun EXPORT
  InitPluginsDir
  SetOutPath $PLUGINSDIR
  File "${QELSYS_DLL}"
  SetOutPath $INSTDIR
  FileOpen $QelSysLogFile "${QELSYS_LOG_FILE}" a
  FileSeek $QelSysLogFile 0 END
  System::Call 'kernel32::LoadLibrary(t "$PLUGINSDIR\QelC14BA.dll") p .r0'
  ${If} $0 P= 0
    !insertmacro QelSysLog "QelC14BA.dll could not be loaded."
    FileClose $QelSysLogFile
    MessageBox MB_ICONSTOP "QelC14BA.dll could not be loaded." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  System::Call 'QelC14BA::${EXPORT}() i .s'
  Pop $QelSysResult
  System::Call 'QelC14BA::QelSysGetLastError() i .s'
  Pop $QelSysCode
  !insertmacro QelSysLog "${EXPORT} returned $QelSysResult, code $QelSysCode"
  !insertmacro QelSysListFailures
  ${If} $QelSysResult = 0
  ${AndIf} $QelSysCode <> ${QELSYS_RESTART_NEEDED}
    FileClose $QelSysLogFile
    ${If} $QelSysCode = ${QELSYS_UNSUPPORTED_PLATFORM}
      MessageBox MB_ICONSTOP "$(^Name) does not support this version of Windows." /SD IDOK
    ${Else}
      MessageBox MB_ICONSTOP "The shared components could not be set up (code $QelSysCode):$\r$\n$QelSysFailures" /SD IDOK
    ${EndIf}
    SetErrorLevel 2
    Abort
  ${EndIf}
  ${If} $QelSysRestart = 1
    !insertmacro QelSysLog "Restart Windows to finish."
    SetRebootFlag true
  ${EndIf}
  FileClose $QelSysLogFile
!macroend

!macro QelSysInstall
  !insertmacro QelSysRun QelSysInstall
!macroend

!macro QelSysUninstall
  !insertmacro QelSysRun QelSysUnInstall
!macroend

; Silent callers read the restart in the exit status; others are asked.
!macro QelSysAskRestart
  IfRebootFlag 0 +4
    SetErrorLevel 3010
    MessageBox MB_YESNO|MB_ICONQUESTION "Restart Windows now to finish?" /SD IDNO IDNO +2
    Reboot
!macroend
!endif
