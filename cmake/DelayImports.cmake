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
find_program(QM_NM NAMES x86_64-w64-mingw32-nm nm REQUIRED)

# qm_delay_import_all(<name> <dll>): as above, with every function of the toolchain's own import
# library lib<name>.a, for a library whose set of calls grows with the code.
function(qm_delay_import_all name dll)
  find_library(implib NAMES lib${name}.a REQUIRED NO_CACHE)
  execute_process(COMMAND ${QM_NM} ${implib} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "I __imp_[A-Za-z][A-Za-z0-9_]*" imports "${symbols}")
  list(TRANSFORM imports REPLACE "^I __imp_" "")
  list(REMOVE_DUPLICATES imports)
  qm_delay_import(${name} ${dll} ${imports})
endfunction()

qm_delay_import_all(comdlg32 comdlg32.dll)
qm_delay_import_all(shell32 shell32.dll)
qm_delay_import(dbghelp dbghelp.dll MiniDumpWriteDump)
qm_delay_import_all(shlwapi shlwapi.dll)
qm_delay_import(bcrypt bcrypt.dll BCryptOpenAlgorithmProvider BCryptCloseAlgorithmProvider
  BCryptCreateHash BCryptHashData BCryptFinishHash BCryptDestroyHash BCryptImportKeyPair BCryptDestroyKey
  BCryptVerifySignature)
# The internet library brings the shell, the network and the shell's helpers with it: under Wine
# loading them took a good part of the time before the window could show. It is needed only by
# the update check's thread and the FTP dialog.
qm_delay_import_all(wininet wininet.dll)
# Sockets are needed only by the FTP dialog's worker.
qm_delay_import_all(ws2_32 ws2_32.dll)
