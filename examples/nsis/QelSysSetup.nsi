; A product setup that installs the shared components with QelC14BA.dll and
; removes them again from its uninstaller.
;
;   makensis -NOCD -DQELSYS_DLL=path\QelC14BA.dll -DQELSYS_CODES=path\QelSysCodes.nsh path\QelSysSetup.nsi
;
; (-NOCD: relative paths are taken from the current folder, not the script's.)
; Optional: -DTARGET=amd64-unicode with the x86_64 DLL (default x86-unicode,
; which runs on every Windows the DLL supports), -DOUTFILE=name.exe.
; Exit status of a silent run (/S): 0 done, 3010 done once Windows restarts,
; 2 the setup failed. Each run appends what the library answered to
; %TEMP%\LumasettSetup.log.

Unicode true
!ifndef TARGET
  !define TARGET x86-unicode
!endif
Target ${TARGET}
!ifndef QELSYS_DLL | QELSYS_CODES
  !error "define QELSYS_DLL (the path of QelC14BA.dll) and QELSYS_CODES (QelSysCodes.nsh)"
!endif
!ifndef OUTFILE
  !define OUTFILE "LumasettSetup.exe"
!endif

!define PRODUCT "Lumasett Studio"
!define PRODUCT_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LumasettStudio"
!define QELSYS_RESTART_NEEDED 1001
!define QELSYS_UNSUPPORTED_PLATFORM 1100

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
!if ${TARGET} == amd64-unicode
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
ShowInstDetails show
ShowUninstDetails show

!include "LogicLib.nsh"
!include "${QELSYS_CODES}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var QelResult
Var QelCode
Var QelFailures
Var QelRestart
Var QelLog

; Silent runs show nothing, so every line also goes to a log file.
!macro QELSYS_LOG TEXT
  DetailPrint "${TEXT}"
  FileWrite $QelLog "${TEXT}$\r$\n"
!macroend

; Calls EXPORT (QelSysInstall or QelSysUnInstall) of the DLL carried in the
; setup and maps its answer: an unsupported Windows and every failure but a
; restart stop the setup with the decoded codes. A success can need a restart
; too (a file replaced at the next one), so 1001 is looked for among the
; tracked codes whatever the answer. The DLL stays loaded from the first call
; on, so the later calls read the answers of the same run.
!macro QELSYS_RUN PREFIX EXPORT
  InitPluginsDir
  SetOutPath $PLUGINSDIR
  File "${QELSYS_DLL}"
  SetOutPath $INSTDIR
  FileOpen $QelLog "$TEMP\LumasettSetup.log" a
  FileSeek $QelLog 0 END
  System::Call 'kernel32::LoadLibrary(t "$PLUGINSDIR\QelC14BA.dll") p .r0'
  ${If} $0 P= 0
    !insertmacro QELSYS_LOG "QelC14BA.dll could not be loaded."
    MessageBox MB_ICONSTOP "QelC14BA.dll could not be loaded." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  System::Call 'QelC14BA::${EXPORT}() i .s'
  Pop $QelResult
  System::Call 'QelC14BA::QelSysGetLastError() i .s'
  Pop $QelCode
  !insertmacro QELSYS_LOG "${EXPORT} returned $QelResult, code $QelCode"
  Call ${PREFIX}QelSysListFailures
  ${If} $QelResult = 0
  ${AndIf} $QelCode <> ${QELSYS_RESTART_NEEDED}
    FileClose $QelLog
    ${If} $QelCode = ${QELSYS_UNSUPPORTED_PLATFORM}
      MessageBox MB_ICONSTOP "${PRODUCT} does not support this version of Windows." /SD IDOK
    ${Else}
      MessageBox MB_ICONSTOP "The shared components could not be set up (code $QelCode):$\r$\n$QelFailures" /SD IDOK
    ${EndIf}
    SetErrorLevel 2
    Abort
  ${EndIf}
  ${If} $QelRestart = 1
    !insertmacro QELSYS_LOG "Restart Windows to finish."
    SetRebootFlag true
  ${EndIf}
  FileClose $QelLog
!macroend

; Prints and logs every tracked failure, newest first, with its advice; keeps
; the list in $QelFailures for a message and notes a 1001 in $QelRestart.
!macro QELSYS_LIST_FAILURES
  StrCpy $QelFailures ""
  StrCpy $QelRestart 0
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
        StrCpy $QelRestart 1
      ${EndIf}
      !insertmacro QELSYS_DECODE
      IntFmt $0 "0x%08X" $0
      ${If} $1 == ""
        StrCpy $1 "not in this setup's table"
      ${EndIf}
      !insertmacro QELSYS_LOG "tracked $0: $1"
      StrCpy $QelFailures "$QelFailures$0: $1$\r$\n"
      IntOp $5 $5 + 1
    ${Loop}
    System::Free $4
  ${EndIf}
!macroend

; Silent callers read the restart in the exit status, 3010 as Windows
; Installer answers (ERROR_SUCCESS_REBOOT_REQUIRED); others are asked.
!macro QELSYS_ASK_RESTART
  IfRebootFlag 0 +4
    SetErrorLevel 3010
    MessageBox MB_YESNO|MB_ICONQUESTION "Restart Windows now to finish?" /SD IDNO IDNO +2
    Reboot
!macroend

Function .onInstSuccess
  !insertmacro QELSYS_ASK_RESTART
FunctionEnd

Function un.onUninstSuccess
  !insertmacro QELSYS_ASK_RESTART
FunctionEnd

Function QelSysListFailures
  !insertmacro QELSYS_LIST_FAILURES
FunctionEnd

Function un.QelSysListFailures
  !insertmacro QELSYS_LIST_FAILURES
FunctionEnd

Section "${PRODUCT}"
  SetOutPath $INSTDIR
  ; The product's own files go here.
  !insertmacro QELSYS_RUN "" QelSysInstall
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${PRODUCT_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${PRODUCT_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
SectionEnd

Section "Uninstall"
  !insertmacro QELSYS_RUN "un." QelSysUnInstall
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
