# Delay-loaded system libraries: a DLL that is needed only for a command the user may never
# give (a file dialog, a dropped file, a crash dump) is loaded at its first call instead of at
# start-up. GNU ld has no /DELAYLOAD; dlltool builds the import library that does it.

# qm_delay_import(<name> <dll> <function>...): an imported library target <name>_delay.
function(qm_delay_import name dll)
  set(def ${CMAKE_BINARY_DIR}/delay/${name}.def)
  set(lib ${CMAKE_BINARY_DIR}/delay/lib${name}_delay.a)
  string(REPLACE ";" "\n" exports "${ARGN}")
  file(WRITE ${def}.in "LIBRARY ${dll}\nEXPORTS\n${exports}\n")
  configure_file(${def}.in ${def} COPYONLY)
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll} --output-delaylib ${lib}
    DEPENDS ${def} VERBATIM)
  add_custom_target(${name}_delay_lib DEPENDS ${lib})
  add_library(${name}_delay STATIC IMPORTED GLOBAL)
  set_target_properties(${name}_delay PROPERTIES IMPORTED_LOCATION ${lib})
  add_dependencies(${name}_delay ${name}_delay_lib)
endfunction()

find_program(CMAKE_DLLTOOL NAMES x86_64-w64-mingw32-dlltool dlltool REQUIRED)

qm_delay_import(comdlg32 comdlg32.dll GetOpenFileNameA GetSaveFileNameA CommDlgExtendedError
  FindTextA ReplaceTextA ChooseColorA ChooseFontA)
qm_delay_import(shell32 shell32.dll DragQueryFileA DragFinish DragAcceptFiles ShellExecuteA
  SHGetDesktopFolder SHGetMalloc SHGetSpecialFolderLocation SHGetFileInfoA SHGetPathFromIDListA
  SHGetFolderPathA)
qm_delay_import(dbghelp dbghelp.dll MiniDumpWriteDump)
qm_delay_import(shlwapi shlwapi.dll PathAddBackslashA PathCombineA PathFileExistsA PathFindFileNameA
  PathRemoveFileSpecA PathFindExtensionA PathRemoveExtensionA StrRetToBufA)
qm_delay_import(bcrypt bcrypt.dll BCryptOpenAlgorithmProvider BCryptCloseAlgorithmProvider
  BCryptCreateHash BCryptHashData BCryptFinishHash BCryptDestroyHash BCryptImportKeyPair BCryptDestroyKey
  BCryptVerifySignature)
