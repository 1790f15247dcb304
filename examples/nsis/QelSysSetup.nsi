; A product setup that installs the shared components with QelC14BA.dll and
; removes them again from its uninstaller, through the macros of QelSys.nsh.
;
;   makensis -NOCD -DQELSYS_DLL=path\QelC14BA.dll path\QelSysSetup.nsi
;
; (-NOCD: relative paths are taken from the current folder, not the script's.)
; Optional: -DQELSYS_CODES=path\QelSysCodes.nsh (default: beside QelSys.nsh),
; -DTARGET=amd64-unicode with the x86_64 DLL (default x86-unicode, which runs
; on every Windows the DLL supports), -DOUTFILE=name.exe.
; Exit status of a silent run (/S): 0 done, 3010 done once Windows restarts,
; 2 the setup failed. Each run appends what the library answered to
; %TEMP%\LumasettSetup.log.

Unicode true
!ifndef TARGET
  !define TARGET x86-unicode
!endif
Target ${TARGET}
!ifndef OUTFILE
  !define OUTFILE "LumasettSetup.exe"
!endif

!define PRODUCT "Lumasett Studio"
!define PRODUCT_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\LumasettStudio"
!define QELSYS_LOG_FILE "$TEMP\LumasettSetup.log"
!include "${__FILEDIR__}/QelSys.nsh"

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

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInstSuccess
  !insertmacro QelSysAskRestart
FunctionEnd

Function un.onUninstSuccess
  !insertmacro QelSysAskRestart
FunctionEnd

Section "${PRODUCT}"
  SetOutPath $INSTDIR
  ; The product's own files go here.
  !insertmacro QelSysInstall
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${PRODUCT_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${PRODUCT_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
SectionEnd

Section "Uninstall"
  !insertmacro QelSysUninstall
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
