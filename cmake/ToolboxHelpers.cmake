# Compiler settings shared by every target of the project.

set(TOOLBOX_WARNINGS -Wall -Wextra -Wshadow -Wno-unused-parameter)
# Only GCC knows this one; clang (the fuzz preset) would warn about the option itself.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND TOOLBOX_WARNINGS -Wno-format-truncation)
endif()

if(TOOLBOX_SANITIZE)
  if(WIN32)
    message(FATAL_ERROR "TOOLBOX_SANITIZE is for native builds")
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TOOLBOX_SANITIZE_THREAD)
  if(WIN32 OR TOOLBOX_SANITIZE)
    message(FATAL_ERROR "TOOLBOX_SANITIZE_THREAD is for native builds without TOOLBOX_SANITIZE")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(TOOLBOX_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TOOLBOX_BUILD_FUZZ needs clang (use the fuzz preset)")
  endif()
  # Everything is instrumented for coverage and checked by the sanitizers; only the
  # fuzz programs themselves link libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # Windows binaries carry their C++ runtime, so they need only system DLLs.
  add_link_options(-static-libgcc -static-libstdc++ -static)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

# toolbox_target_defaults(target): warnings for our own code.
function(toolbox_target_defaults target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${TOOLBOX_WARNINGS}>
    $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra>)
endfunction()

# Windows test programs run under Wine through this launcher.
if(CMAKE_CROSSCOMPILING AND WIN32 AND TOOLBOX_WINE_RUNNABLE)
  set(TOOLBOX_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                 GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()
