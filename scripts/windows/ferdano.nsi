; The Windows installer of Ferdano, made by scripts/windows.sh with
;   makensis -DVERSION=3.03 -DSTAGE=<program folder> -DICON=<ferdano.ico> -DOUTFILE=<setup.exe> ferdano.nsi
;
; It installs for all users into C:\Ferdano, not into "Program Files": the program keeps its
; database in DB\ beside itself and every pupil's account must be able to write there, which
; "Program Files" does not allow. DB\ is given to the group Users to change. An update keeps the
; database that is there; the uninstaller keeps it too unless its removal is chosen.
; Silent: "ferdano-<version>-setup.exe /S" (into another folder: /D=D:\Ferdano as the last argument),
; "uninstall.exe /S" (keeps DB\).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "x64.nsh"

!define APPKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ferdano"

Name "Ferdano ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "C:\Ferdano"
InstallDirRegKey HKLM "${APPKEY}" "InstallLocation"
BrandingText "Ferdano ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\ferdano.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Czech"

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Ferdano" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File /r /x DB "${STAGE}\*.*"
  ; The sample database only where there is none: an update keeps the school's pupils.
  IfFileExists "$INSTDIR\DB\ferdano.db" database_kept
    SetOutPath "$INSTDIR\DB"
    File "${STAGE}\DB\*.*"
  database_kept:
  ; Every user of the PC writes the database and the sign-in lock file (S-1-5-32-545: Users).
  nsExec::Exec '"$SYSDIR\icacls.exe" "$INSTDIR\DB" /grant *S-1-5-32-545:(OI)(CI)M'
  Pop $0
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\Ferdano.lnk" "$INSTDIR\ferdano.exe" "" "$INSTDIR\ferdano.exe" 0
  CreateShortcut "$DESKTOP\Ferdano.lnk" "$INSTDIR\ferdano.exe" "" "$INSTDIR\ferdano.exe" 0
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${APPKEY}" "DisplayName" "Ferdano"
  WriteRegStr HKLM "${APPKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${APPKEY}" "DisplayIcon" "$INSTDIR\ferdano.exe"
  WriteRegStr HKLM "${APPKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${APPKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${APPKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${APPKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${APPKEY}" "NoRepair" 1
SectionEnd

Section "un.Ferdano" UnSecProgram
  SectionIn RO
  Delete "$SMPROGRAMS\Ferdano.lnk"
  Delete "$DESKTOP\Ferdano.lnk"
  Delete "$INSTDIR\*.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\qt.conf"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\sqldrivers"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\imageformats"
  RMDir /r "$INSTDIR\translations"
  DeleteRegKey HKLM "${APPKEY}"
SectionEnd

; Off unless chosen: the pupils and their reports stay for a later installation.
Section /o "un.Databáze žáků a otázek (složka DB)" UnSecDatabase
  RMDir /r "$INSTDIR\DB"
SectionEnd

Section "-un.folder"
  ; Only an empty folder goes; the database, a Logo.bmp or logo.url of the school stay.
  RMDir "$INSTDIR"
SectionEnd
