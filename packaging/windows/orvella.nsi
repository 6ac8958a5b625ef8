; The Windows installer: a per-user install that needs no administrator rights.
; It puts the program in %LOCALAPPDATA%\Programs\Orvella, adds a Start-menu
; entry, opens .tvl and .ora pictures by double-click with the program's icon,
; and registers an uninstaller that removes exactly the files it installed:
; what the painter keeps there (config.txt, pictures) stays, and so does the
; settings folder in %APPDATA%\Orvella (recovery files).
;
; scripts/package-windows builds it; it passes the values that come from the
; build:
;   /DVERSION=0.25          the program's version
;   /DFILES=FILE.nsh        defines the macros InstallFiles and RemoveFiles,
;                           one File / Delete line per installed file
;   /DICON=FILE.ico         the installer's and uninstaller's icon
;   /DOUTFILE=SETUP.exe     where the installer goes

!macro Require NAME
  !ifndef ${NAME}
    !error "${NAME} is not defined: build the installer with scripts/package-windows"
  !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require FILES
!insertmacro Require ICON
!insertmacro Require OUTFILE

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PROGID_PREFIX "Orvella"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvella"
!define CLASSES "Software\Classes"
!define SHCNE_ASSOCCHANGED 0x08000000
!define SHCNF_IDLIST 0

Name "Orvella ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Orvella"
; A second install goes where the first one went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

!include "LogicLib.nsh"
!include "MUI2.nsh"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\orvella.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!include "${FILES}"

; Associate EXT DESCRIPTION: the ProgID Orvella.EXT opens the file with the
; program and shows the program's icon. The extension's default is taken only
; when no other program holds it; the ProgID is offered under "Open with"
; either way.
!macro Associate EXT DESCRIPTION
  WriteRegStr HKCU "${CLASSES}\${PROGID_PREFIX}.${EXT}" "" "${DESCRIPTION}"
  WriteRegStr HKCU "${CLASSES}\${PROGID_PREFIX}.${EXT}\DefaultIcon" "" "$INSTDIR\orvella.exe,0"
  WriteRegStr HKCU "${CLASSES}\${PROGID_PREFIX}.${EXT}\shell\open\command" "" '"$INSTDIR\orvella.exe" "%1"'
  WriteRegStr HKCU "${CLASSES}\.${EXT}\OpenWithProgids" "${PROGID_PREFIX}.${EXT}" ""
  ReadRegStr $0 HKCU "${CLASSES}\.${EXT}" ""
  ${If} $0 == ""
  ${OrIf} $0 == "${PROGID_PREFIX}.${EXT}"
    WriteRegStr HKCU "${CLASSES}\.${EXT}" "" "${PROGID_PREFIX}.${EXT}"
  ${EndIf}
!macroend

; Unassociate EXT: removes what Associate wrote and nothing another program set.
!macro Unassociate EXT
  DeleteRegKey HKCU "${CLASSES}\${PROGID_PREFIX}.${EXT}"
  DeleteRegValue HKCU "${CLASSES}\.${EXT}\OpenWithProgids" "${PROGID_PREFIX}.${EXT}"
  DeleteRegKey /ifempty HKCU "${CLASSES}\.${EXT}\OpenWithProgids"
  ReadRegStr $0 HKCU "${CLASSES}\.${EXT}" ""
  ${If} $0 == "${PROGID_PREFIX}.${EXT}"
    DeleteRegValue HKCU "${CLASSES}\.${EXT}" ""
  ${EndIf}
  DeleteRegKey /ifempty HKCU "${CLASSES}\.${EXT}"
!macroend

Section "Orvella"
  SetOutPath "$INSTDIR"
  !insertmacro InstallFiles
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Orvella.lnk" "$INSTDIR\orvella.exe"

  !insertmacro Associate tvl "Orvella picture"
  !insertmacro Associate ora "OpenRaster picture"
  ; Explorer reads the associations (and their icons) again.
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i ${SHCNF_IDLIST}, p 0, p 0)'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Orvella"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\orvella.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !insertmacro Unassociate tvl
  !insertmacro Unassociate ora
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i ${SHCNF_IDLIST}, p 0, p 0)'
  Delete "$SMPROGRAMS\Orvella.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ; Only the installed files: config.txt and the painter's own files stay,
  ; and with them the folder.
  !insertmacro RemoveFiles
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
