; A product setup that installs the shared components with QelC14BA.dll and
; removes them again from its uninstaller.
;
;   makensis -DQELSYS_DLL=path\QelC14BA.dll -DQELSYS_CODES=path\QelSysCodes.nsh QelSysSetup.nsi
;
; Optional: -DTARGET=amd64-unicode with the x86_64 DLL (default x86-unicode,
; which runs on every Windows the DLL supports), -DOUTFILE=name.exe.
; Exit status of a silent run (/S): 0 done, 2 the setup failed.

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

; Calls EXPORT (QelSysInstall or QelSysUnInstall) of the DLL carried in the
; setup and maps its answer: a restart sets the reboot flag, an unsupported
; Windows and every other failure stop the setup with the decoded codes.
; The DLL stays loaded from the first call on, so the later calls read the
; answers of the same run.
!macro QELSYS_RUN PREFIX EXPORT
  InitPluginsDir
  SetOutPath $PLUGINSDIR
  File "${QELSYS_DLL}"
  SetOutPath $INSTDIR
  System::Call 'kernel32::LoadLibrary(t "$PLUGINSDIR\QelC14BA.dll") p .r0'
  ${If} $0 P= 0
    MessageBox MB_ICONSTOP "QelC14BA.dll could not be loaded." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  System::Call 'QelC14BA::${EXPORT}() i .s'
  Pop $QelResult
  System::Call 'QelC14BA::QelSysGetLastError() i .s'
  Pop $QelCode
  Call ${PREFIX}QelSysListFailures
  DetailPrint "${EXPORT} returned $QelResult, code $QelCode"
  ${If} $QelResult = 1
    ; Done; what was recorded on the way is in the details.
  ${ElseIf} $QelCode = ${QELSYS_RESTART_NEEDED}
    SetRebootFlag true
    MessageBox MB_ICONINFORMATION "Some files are in use. Restart Windows to finish." /SD IDOK
  ${ElseIf} $QelCode = ${QELSYS_UNSUPPORTED_PLATFORM}
    MessageBox MB_ICONSTOP "${PRODUCT} does not support this version of Windows." /SD IDOK
    SetErrorLevel 2
    Abort
  ${Else}
    MessageBox MB_ICONSTOP "The shared components could not be set up (code $QelCode):$\r$\n$QelFailures" /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
!macroend

; Prints every tracked failure, newest first, with its advice, and keeps the
; list in $QelFailures for a message.
!macro QELSYS_LIST_FAILURES
  StrCpy $QelFailures ""
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
      !insertmacro QELSYS_DECODE
      IntFmt $0 "0x%08X" $0
      ${If} $1 == ""
        StrCpy $1 "not in this setup's table"
      ${EndIf}
      DetailPrint "tracked $0: $1"
      StrCpy $QelFailures "$QelFailures$0: $1$\r$\n"
      IntOp $5 $5 + 1
    ${Loop}
    System::Free $4
  ${EndIf}
!macroend

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
