# Third-party code, built from the source packages that tools/setup.sh unpacks into deps/.
# On Windows, pass the folders as cache variables (see README.md).

set(QM_DEPS_DIR ${PROJECT_SOURCE_DIR}/deps CACHE PATH "Folder holding the unpacked dependency sources")
set(SCINTILLA_DIR ${QM_DEPS_DIR}/src-scite/scintilla CACHE PATH "Scintilla 5 source folder")
set(LEXILLA_DIR ${QM_DEPS_DIR}/src-scite/lexilla CACHE PATH "Lexilla 5 source folder")
set(TINYXML_DIR ${QM_DEPS_DIR}/src-tinyxml CACHE PATH "TinyXML 2.6.2 source folder")
set(BOOST_INCLUDE_DIR ${QM_DEPS_DIR}/boost/include CACHE PATH "Folder holding only the boost/ headers (1.76 or later)")
set(CTAGS_DIR ${QM_DEPS_DIR}/src-exuberant-ctags CACHE PATH "Exuberant Ctags source folder")
set(GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest source folder")

foreach(probe ${SCINTILLA_DIR}/win32/ScintillaWin.cxx ${LEXILLA_DIR}/lexers/LexHTML.cxx
              ${TINYXML_DIR}/tinyxml.cpp ${BOOST_INCLUDE_DIR}/boost/regex.hpp)
  if(NOT EXISTS ${probe})
    message(FATAL_ERROR "Missing ${probe}: run tools/setup.sh (or 'make setup') first")
  endif()
endforeach()

# --- Scintilla: the editing component, GDI drawing only -------------------------------------
file(GLOB scintilla_core ${SCINTILLA_DIR}/src/*.cxx)
add_library(scintilla STATIC ${scintilla_core}
  ${SCINTILLA_DIR}/win32/PlatWin.cxx
  ${SCINTILLA_DIR}/win32/ScintillaWin.cxx
  ${SCINTILLA_DIR}/win32/HanjaDic.cxx)
target_include_directories(scintilla SYSTEM PUBLIC ${SCINTILLA_DIR}/include PRIVATE ${SCINTILLA_DIR}/src)
# DirectWrite drawing paints the text area black under Wine.
target_compile_definitions(scintilla PUBLIC DISABLE_D2D PRIVATE NDEBUG _CRT_SECURE_NO_DEPRECATE)
target_compile_options(scintilla PRIVATE -w)
target_link_libraries(scintilla PUBLIC gdi32 user32 imm32 ole32 uuid oleaut32 msimg32)

# --- Lexilla: only the embedded-language HTML lexer and the infrastructure it needs ----------
add_library(lexilla_html STATIC
  ${LEXILLA_DIR}/lexers/LexHTML.cxx
  ${LEXILLA_DIR}/lexlib/Accessor.cxx
  ${LEXILLA_DIR}/lexlib/CharacterSet.cxx
  ${LEXILLA_DIR}/lexlib/DefaultLexer.cxx
  ${LEXILLA_DIR}/lexlib/LexAccessor.cxx
  ${LEXILLA_DIR}/lexlib/LexerBase.cxx
  ${LEXILLA_DIR}/lexlib/LexerModule.cxx
  ${LEXILLA_DIR}/lexlib/LexerSimple.cxx
  ${LEXILLA_DIR}/lexlib/PropSetSimple.cxx
  ${LEXILLA_DIR}/lexlib/StyleContext.cxx
  ${LEXILLA_DIR}/lexlib/WordList.cxx)
target_include_directories(lexilla_html SYSTEM PUBLIC ${LEXILLA_DIR}/include ${LEXILLA_DIR}/lexlib)
target_compile_definitions(lexilla_html PRIVATE NDEBUG)
target_compile_options(lexilla_html PRIVATE -w)
target_link_libraries(lexilla_html PUBLIC scintilla)

# --- TinyXML 2.6.2 (Debian's patched source; TIXML_USE_STL is set by its patches) ------------
add_library(tinyxml STATIC
  ${TINYXML_DIR}/tinyxml.cpp ${TINYXML_DIR}/tinyxmlparser.cpp
  ${TINYXML_DIR}/tinyxmlerror.cpp ${TINYXML_DIR}/tinystr.cpp)
target_include_directories(tinyxml SYSTEM PUBLIC ${TINYXML_DIR})
target_compile_options(tinyxml PRIVATE -w)

# --- Boost.Regex, header-only ----------------------------------------------------------------
add_library(boost_regex_headers INTERFACE)
target_include_directories(boost_regex_headers SYSTEM INTERFACE ${BOOST_INCLUDE_DIR})

# --- ctags.exe: a real Windows ctags built from source with the same compiler -----------------
if(CMAKE_HOST_UNIX AND EXISTS ${CTAGS_DIR}/mk_mingw.mak)
  set(ctags_build ${CMAKE_BINARY_DIR}/ctags-src)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/ctags-src/ctags.exe
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${ctags_build}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CTAGS_DIR} ${ctags_build}
    # Its own warnings are not ours to fix: they go to a log.
    COMMAND sh -c "make -s -C '${ctags_build}' -f mk_mingw.mak 'CC=${CMAKE_C_COMPILER} -static' > '${CMAKE_BINARY_DIR}/ctags-build.log' 2>&1 || { cat '${CMAKE_BINARY_DIR}/ctags-build.log'; exit 1; }"
    COMMENT "Building ctags.exe"
    VERBATIM)
  add_custom_command(
    OUTPUT ${QM_BIN_DIR}/ctags.exe
    COMMAND ${CMAKE_COMMAND} -E copy ${ctags_build}/ctags.exe ${QM_BIN_DIR}/ctags.exe
    DEPENDS ${ctags_build}/ctags.exe
    VERBATIM)
  add_custom_target(ctags ALL DEPENDS ${QM_BIN_DIR}/ctags.exe)
endif()

# --- GoogleTest ---------------------------------------------------------------------------------
if(QM_BUILD_TESTS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  target_compile_options(gtest PRIVATE -w)
endif()
