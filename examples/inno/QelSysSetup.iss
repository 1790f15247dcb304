; A product setup that installs the shared components with QelC14BA.dll and
; removes them again from its uninstaller. Put QelC14BA.dll (the i686 build:
; Inno Setup makes 32-bit setups) and QelSysCodes.iss beside this script.

[Setup]
AppName=Lumasett Studio
AppVersion=1.0
DefaultDirName={pf}\Lumasett Studio
PrivilegesRequired=admin
OutputBaseFilename=LumasettSetup

[Files]
; Carried for the setup's own calls (setuponly), and installed for the
; uninstaller's, which runs after the setup is gone.
Source: "QelC14BA.dll"; Flags: dontcopy
Source: "QelC14BA.dll"; DestDir: "{app}"

[Code]
#include "QelSysCodes.iss"

const
  QELSYS_RESTART_NEEDED = 1001;
  QELSYS_UNSUPPORTED_PLATFORM = 1100;

function QelSysInstall: Cardinal;
  external 'QelSysInstall@files:QelC14BA.dll stdcall setuponly';
function QelSysGetLastError: Cardinal;
  external 'QelSysGetLastError@files:QelC14BA.dll stdcall setuponly';
{ With 0 for the buffer: how many failures were tracked. }
function QelSysGetTrackedErrorCount(Buffer: Cardinal): Cardinal;
  external 'QelSysGetTrackedErrors@files:QelC14BA.dll stdcall setuponly';
{ The buffer holds 4 bytes per failure, newest first. }
function QelSysGetTrackedErrors(Buffer: AnsiString): Cardinal;
  external 'QelSysGetTrackedErrors@files:QelC14BA.dll stdcall setuponly';

function UnQelSysUnInstall: Cardinal;
  external 'QelSysUnInstall@{app}\QelC14BA.dll stdcall uninstallonly';
function UnQelSysGetLastError: Cardinal;
  external 'QelSysGetLastError@{app}\QelC14BA.dll stdcall uninstallonly';
function UnQelSysGetTrackedErrorCount(Buffer: Cardinal): Cardinal;
  external 'QelSysGetTrackedErrors@{app}\QelC14BA.dll stdcall uninstallonly';
function UnQelSysGetTrackedErrors(Buffer: AnsiString): Cardinal;
  external 'QelSysGetTrackedErrors@{app}\QelC14BA.dll stdcall uninstallonly';

var
  RestartNeeded: Boolean;

{ The tracked failures in Buffer, one line each with its advice. A success
  can need a restart too, so a 1001 among them is looked for whatever the answer. }
function DescribeFailures(Buffer: AnsiString; Count: Cardinal): String;
var
  I: Integer;
  Tracked: Cardinal;
  Advice: String;
begin
  Result := '';
  { From 1: Count - 1 would wrap around when nothing was tracked. }
  for I := 1 to Count do begin
    Tracked := Ord(Buffer[I * 4 - 3]) + Ord(Buffer[I * 4 - 2]) * $100 +
               Ord(Buffer[I * 4 - 1]) * $10000 + Ord(Buffer[I * 4]) * $1000000;
    if (Tracked and $FFFF) = QELSYS_RESTART_NEEDED then
      RestartNeeded := True;
    Advice := QelSysDecode(Tracked);
    if Advice = '' then
      Advice := 'not in this setup''s table';
    Result := Result + Format('%.8x: %s', [Tracked, Advice]) + #13#10;
  end;
end;

{ What the setup tells the user for a failed call, or '' to go on. }
function MapAnswer(Answer, Code: Cardinal; Failures: String): String;
begin
  Result := '';
  if (Answer = 1) or (Code = QELSYS_RESTART_NEEDED) then
    Exit;
  if Code = QELSYS_UNSUPPORTED_PLATFORM then
    Result := 'Lumasett Studio does not support this version of Windows.'
  else
    Result := Format('The shared components could not be set up (code %d):', [Code]) + #13#10 + Failures;
end;

function PrepareToInstall(var NeedsRestart: Boolean): String;
var
  Answer, Code, Count: Cardinal;
  Buffer: AnsiString;
  Failures: String;
begin
  Answer := QelSysInstall;
  Code := QelSysGetLastError;
  Count := QelSysGetTrackedErrorCount(0);
  SetLength(Buffer, Count * 4);
  if Count > 0 then
    Count := QelSysGetTrackedErrors(Buffer);
  Failures := DescribeFailures(Buffer, Count);
  { The setup's log (/LOG) keeps the answer and every code for support. }
  Log(Format('QelSys: QelSysInstall returned %d, code %d', [Answer, Code]) + #13#10 + Failures);
  Result := MapAnswer(Answer, Code, Failures);
end;

function NeedRestart: Boolean;
begin
  Result := RestartNeeded;
end;

procedure CurUninstallStepChanged(CurUninstallStep: TUninstallStep);
var
  Answer, Code, Count: Cardinal;
  Buffer: AnsiString;
  Failures, Message: String;
begin
  if CurUninstallStep <> usUninstall then
    Exit;
  Answer := UnQelSysUnInstall;
  Code := UnQelSysGetLastError;
  Count := UnQelSysGetTrackedErrorCount(0);
  SetLength(Buffer, Count * 4);
  if Count > 0 then
    Count := UnQelSysGetTrackedErrors(Buffer);
  Failures := DescribeFailures(Buffer, Count);
  Log(Format('QelSys: QelSysUnInstall returned %d, code %d', [Answer, Code]) + #13#10 + Failures);
  Message := MapAnswer(Answer, Code, Failures);
  if Message <> '' then
    RaiseException(Message);
  { Let the uninstaller delete the file it loaded. }
  UnloadDLL(ExpandConstant('{app}\QelC14BA.dll'));
end;

function UninstallNeedRestart: Boolean;
begin
  Result := RestartNeeded;
end;
