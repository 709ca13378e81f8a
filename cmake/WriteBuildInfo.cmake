# Script mode (cmake -P): writes OUTPUT with the version VERSION and the git commit of SOURCE_DIR
# (empty outside a checkout, "-dirty" appended when tracked files differ from it). The file is left
# untouched when its text stays the same, so nothing is rebuilt.
set(commit "")
if(GIT_EXECUTABLE AND EXISTS "${SOURCE_DIR}/.git")
  execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" rev-parse --short=12 HEAD
    OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(failed)
    set(commit "")
  else()
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" status --porcelain --untracked-files=no
      OUTPUT_VARIABLE changes OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(changes)
      string(APPEND commit "-dirty")
    endif()
  endif()
endif()
set(text "// Generated at build time from CMakeLists.txt and git; do not edit.
namespace dedezuviv::base {
extern const char BuildVersion[];
extern const char BuildCommit[];
const char BuildVersion[] = \"${VERSION}\";
const char BuildCommit[] = \"${commit}\";
}  // namespace dedezuviv::base
")
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
