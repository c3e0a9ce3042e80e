; The per-machine installer: puts the game into Program Files and, with administrator rights
; once, prepares the fixed places the game uses (its data folder and the hook library).
; Defines from CMake: VERSION, ARCH (x64 or x86), GAME_EXE, ICON, PUBLISHER, OUTFILE, and
; SNOVID_DLL once the hook library is built.
Unicode true
!if ${ARCH} == x64
  ; A 64-bit installer: $SYSDIR is the real System32, where the 64-bit game looks; a 32-bit one
  ; writes through WOW64 redirection into SysWOW64, where the 32-bit game looks.
  Target amd64-unicode
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Словоловка"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Slovolovka"
!define DATA_DIR "$WINDIR\data"
; Local Users (S-1-5-32-545) may create, change and delete files in the data folder and below.
!define DATA_DIR_SDDL "D:(A;OICI;0x1301bf;;;BU)"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!if ${ARCH} == x64
  InstallDir "$PROGRAMFILES64\Slovolovka"
!else
  InstallDir "$PROGRAMFILES\Slovolovka"
!endif

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Slovolovka"
VIAddVersionKey /LANG=1033 "FileDescription" "Slovolovka installer"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

!macro RegistryView
  !if ${ARCH} == x64
    SetRegView 64
  !endif
!macroend

Function .onInit
  !insertmacro RegistryView
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_ICONSTOP "Для установки нужны права администратора." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
FunctionEnd

; The game keeps its word base and settings in the fixed data folder; a standard user may not
; create it under the Windows folder, so it is made here, writable for the local Users group.
Function PrepareDataDirectory
  CreateDirectory "${DATA_DIR}"
  ${IfNot} ${FileExists} "${DATA_DIR}\*.*"
    MessageBox MB_ICONEXCLAMATION "Не удалось создать папку ${DATA_DIR}." /SD IDOK
    SetErrorLevel 2
    Return
  ${EndIf}
  StrCpy $0 0
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${DATA_DIR_SDDL}", i 1, *p .r1, p 0) i .r0'
  ${If} $0 <> 0
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r2, *p .r3, *i .r4) i .r0'
    ${If} $0 <> 0
      ; An unprotected DACL: our entry is added to what the folder inherits from the Windows folder.
      System::Call 'advapi32::SetNamedSecurityInfoW(w "${DATA_DIR}", i 1, i 0x20000004, p 0, p 0, p r3, p 0) i .r5'
      ${If} $5 = 0
        StrCpy $0 1
      ${EndIf}
    ${EndIf}
    System::Call 'kernel32::LocalFree(p r1)'
  ${EndIf}
  ${If} $0 = 0
    DetailPrint "Права на ${DATA_DIR} не выданы (код $5)"
    MessageBox MB_ICONEXCLAMATION "Не удалось дать пользователям право записи в папку ${DATA_DIR}: без администратора игра не сможет хранить там базу слов." /SD IDOK
    SetErrorLevel 2
  ${EndIf}
FunctionEnd

Section "${PRODUCT}" SecGame
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=Slovolovka.exe" "${GAME_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Slovolovka.exe"

  Call PrepareDataDirectory

  ; The game loads the hook library by name from the system folder and writes it only when it
  ; is missing there, which a standard user could not.
  !ifdef SNOVID_DLL
    SetOutPath "$SYSDIR"
    File "/oname=Snovid.dll" "${SNOVID_DLL}"
    SetOutPath "$INSTDIR"
  !endif

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$\"$INSTDIR\Slovolovka.exe$\",0"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  !ifdef SNOVID_DLL
    ${GetSize} "$SYSDIR" "/M=Snovid.dll /S=0K /G=0" $3 $1 $2
    IntOp $0 $0 + $3
  !endif
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "Ярлык на рабочем столе" SecDesktop
  SetShellVarContext all
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\Slovolovka.exe"
SectionEnd

Function un.onInit
  !insertmacro RegistryView
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\Slovolovka.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  ; Other processes may hold the hook library while its hooks are installed.
  Delete /REBOOTOK "$SYSDIR\Snovid.dll"
  DeleteRegKey HKLM "${UNINST_KEY}"

  ; The player's word bases and settings stay unless asked otherwise; a silent uninstall keeps them.
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "Удалить также базы слов и настройки игры из папки ${DATA_DIR}?" /SD IDNO IDNO keep
    Delete "${DATA_DIR}\stwords.txt"
    Delete "${DATA_DIR}\sthints.txt"
    Delete "${DATA_DIR}\words.txt"
    Delete "${DATA_DIR}\hints.txt"
    Delete "${DATA_DIR}\slovolovka.txt"
    Delete "${DATA_DIR}\Slovolovka.bin"
    ; Only when nothing else lives there.
    RMDir "${DATA_DIR}"
  keep:
SectionEnd
