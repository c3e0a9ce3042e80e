# Gives a Windows executable or library its release resources in one line: the application
# manifest and the VERSIONINFO from the project version.
set(SLOVO_PUBLISHER "Slovolovka" CACHE STRING "Publisher named in the version resource and the uninstall entry")

# slovo_windows_resources(<target> DESCRIPTION <text> [ICON <file.ico>] [DPI_AWARE])
# DPI_AWARE: the program draws itself at every monitor's DPI (per monitor, v2).
function(slovo_windows_resources target)
  cmake_parse_arguments(R "DPI_AWARE" "DESCRIPTION;ICON" "" ${ARGN})
  if(NOT R_DESCRIPTION)
    message(FATAL_ERROR "slovo_windows_resources(${target}): DESCRIPTION is required")
  endif()
  get_target_property(type ${target} TYPE)
  get_target_property(output ${target} OUTPUT_NAME)
  if(NOT output)
    set(output ${target})
  endif()
  if(type STREQUAL "EXECUTABLE")
    set(SLOVO_RES_SUFFIX ".exe")
    set(SLOVO_RES_FILETYPE "VFT_APP")
    set(SLOVO_RES_MANIFEST_ID 1) # CREATEPROCESS_MANIFEST_RESOURCE_ID
  else()
    set(SLOVO_RES_SUFFIX ".dll")
    set(SLOVO_RES_FILETYPE "VFT_DLL")
    set(SLOVO_RES_MANIFEST_ID 2) # ISOLATIONAWARE_MANIFEST_RESOURCE_ID
  endif()
  set(SLOVO_RES_NAME ${output})
  set(SLOVO_RES_DESCRIPTION ${R_DESCRIPTION})
  foreach(i 0 1 2 3)
    list(GET SLOVO_VERSION_PARTS ${i} SLOVO_RES_V${i})
  endforeach()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  set(SLOVO_RES_MANIFEST ${dir}/${output}.manifest)
  if(R_ICON)
    get_filename_component(icon ${R_ICON} ABSOLUTE)
    set(SLOVO_RES_ICON "MAINICON ICON \"${icon}\"")
  else()
    set(SLOVO_RES_ICON "")
  endif()
  if(R_DPI_AWARE)
    set(SLOVO_RES_DPI [=[
  <!-- Drawn at the monitor's own DPI rather than stretched as a bitmap: per monitor (v2) from
       Windows 10 1703, per monitor before it, the system's DPI on Windows 7. -->
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>
      <dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>
    </windowsSettings>
  </application>
]=])
  else()
    set(SLOVO_RES_DPI "")
  endif()
  configure_file(${SLOVO_CMAKE_DIR}/app.manifest.in ${SLOVO_RES_MANIFEST} @ONLY)
  configure_file(${SLOVO_CMAKE_DIR}/version.rc.in ${dir}/${output}_version.rc @ONLY)
  set_source_files_properties(${dir}/${output}_version.rc PROPERTIES OBJECT_DEPENDS "${SLOVO_RES_MANIFEST};${icon}")
  target_sources(${target} PRIVATE ${dir}/${output}_version.rc)
endfunction()
